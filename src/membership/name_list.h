#pragma once

// The exclude and static lists as the directory keeps them: all values of one attribute of the
// group, written whole.

#include "platform/dsclient/client.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnbeck {

// The attribute's values in the directory's order, each name once ignoring case (the first
// spelling read is kept): for callers that put the names in an order of their own. An absent
// attribute gives an empty list.
std::vector<std::string> ReadNames(dsclient::ContextHandle context, std::string_view groupName,
                                   std::string_view attributeName);

// The same names in the user's order ignoring case, as the lists show them.
std::vector<std::string> ReadList(dsclient::ContextHandle context, std::string_view groupName,
                                  std::string_view attributeName);

// Replaces all values of the attribute by `names`, in their order. A write the directory
// refuses raises DirectoryError.
void SaveList(dsclient::ContextHandle context, std::string_view groupName,
              std::string_view attributeName, const std::vector<std::string> &names);

} // namespace tarnbeck
