#pragma once

// Reading the attributes and values of a result buffer, shared by the readers and the search.

#include "platform/dsclient/client.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tarnbeck {

using AttributeStart =
    std::function<void(const std::string &name, std::uint32_t syntax, std::uint32_t valueCount)>;
// Returns false to stop the walk; the rest of the buffer is then left unread.
using ValueVisit = std::function<bool(const dsclient::AttrValue &value, std::uint32_t syntax)>;

// Walks `attributeCount` attributes of `result`; every parsing failure raises DirectoryError.
// True when the walk ran to the end.
bool WalkAttributes(dsclient::ContextHandle context, dsclient::Buffer &result,
                    std::uint32_t attributeCount, const AttributeStart &onAttribute,
                    const ValueVisit &onValue);

} // namespace tarnbeck
