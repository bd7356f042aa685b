#pragma once

// The exclude and static lists as the directory keeps them: all values of one attribute of the
// group, written whole.

#include "platform/dsclient/client.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnbeck {

// The attribute's values in the user's order ignoring case, each name once (the first spelling
// read is kept). An absent attribute gives an empty list.
std::vector<std::string> ReadList(dsclient::ContextHandle context, std::string_view groupName,
                                  std::string_view attributeName);

// Replaces all values of the attribute by `names`, in their order. A write the directory
// refuses raises DirectoryError.
void SaveList(dsclient::ContextHandle context, std::string_view groupName,
              std::string_view attributeName, const std::vector<std::string> &names);

} // namespace tarnbeck
