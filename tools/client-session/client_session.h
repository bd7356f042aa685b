#pragma once

// A client session on stores of the tools' own making, for the benchmark program and the tools'
// tests: installs a client configuration, initialises the client and holds one context, and
// undoes all of it on destruction. Failures come back as TreeError with the status.

#include "platform/dsclient/client.h"
#include "platform/dsclient/config.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnbeck {

// One filter token as the client takes it.
struct SearchToken {
    std::uint32_t token = dsclient::FTOK_END;
    std::string value;
    std::uint32_t syntax = 0;
};

// Tokens of "attribute = value" for a text value.
std::vector<SearchToken> EqualsText(std::string attribute, std::string value);
// Tokens of "attribute = TRUE/FALSE".
std::vector<SearchToken> EqualsBoolean(std::string attribute, bool value);
// Tokens of "attribute present".
std::vector<SearchToken> Present(std::string attribute);

class ClientSession {
  public:
    // The first tree is the primary one; the context is bound to it.
    explicit ClientSession(std::vector<dsclient::TreeConfig> trees);
    ~ClientSession();
    ClientSession(const ClientSession &) = delete;
    ClientSession &operator=(const ClientSession &) = delete;

    dsclient::ContextHandle context() const { return context_; }

    // All values of one attribute (empty when the object lacks it).
    std::vector<dsclient::AttrValue> values(std::string_view object, std::string_view attribute);
    // The texts of the values of a text-valued attribute.
    std::vector<std::string> texts(std::string_view object, std::string_view attribute);

    // Names of the objects found below `base` (scope as the client numbers it), each once,
    // read through result buffers of `bufferSize` bytes; the filter gets FTOK_END appended.
    std::vector<std::string> search(std::string_view base, std::uint32_t scope,
                                    const std::vector<SearchToken> &filter,
                                    std::size_t bufferSize = dsclient::kDefaultBufferSize);
    // Names of the subordinates of `parent`, read through the iteration protocol.
    std::vector<std::string> list(std::string_view parent,
                                  std::size_t bufferSize = dsclient::kListBufferSize);
    // One modify request with one change carrying one value; its status is returned.
    dsclient::Status modify(std::string_view object, std::uint32_t changeType,
                            std::string_view attribute, const dsclient::AttrValue *value);

    std::uint32_t entryFlags(std::string_view object);

  private:
    dsclient::BufferPtr buffer(std::size_t capacity, std::uint32_t operation);

    dsclient::ContextHandle context_ = 0;
};

} // namespace tarnbeck
