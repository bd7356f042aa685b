#pragma once

// Creating objects and writing whole attributes.

#include "platform/dsclient/client.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnbeck {

// Adds the object with its class as the only attribute; the status is the caller's to judge.
dsclient::Status CreateObject(dsclient::ContextHandle context, std::string_view objectName,
                              std::string_view className);

// Replaces all values of the attribute by `values` (keepExisting false) or adds them (true).
// Each text is converted by the attribute's syntax before anything is sent. An absent
// attribute is no error; any other refusal of the directory raises DirectoryError, and then
// nothing was written.
void WriteValues(dsclient::ContextHandle context, std::string_view objectName,
                 std::string_view attributeName, const std::vector<std::string> &values,
                 bool keepExisting);

} // namespace tarnbeck
