#pragma once

// Where the editor reads and writes a group's stored query values: the group's query
// attribute in the directory, or a stand-in in tests.

#include "platform/dsclient/client.h"

#include <string>
#include <vector>

namespace tarnbeck {

class QueryStore {
  public:
    virtual ~QueryStore() = default;
    // All values of the query attribute as read; a failure raises DirectoryError.
    virtual std::vector<std::string> read() = 0;
    // Replaces all values; a refusal raises an error (DirectoryError, or one that says which
    // value does not fit the attribute) and then nothing was written.
    virtual void write(const std::vector<std::string> &values) = 0;
};

class DirectoryQueryStore : public QueryStore {
  public:
    DirectoryQueryStore(dsclient::ContextHandle context, std::string groupName,
                        std::string queryAttribute);
    std::vector<std::string> read() override;
    void write(const std::vector<std::string> &values) override;

  private:
    dsclient::ContextHandle context_;
    std::string groupName_;
    std::string queryAttribute_;
};

} // namespace tarnbeck
