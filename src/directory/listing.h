#pragma once

// The subordinates of one container, as the browser's tree shows them.

#include "directory/value_list.h"
#include "platform/dsclient/client.h"

#include <string_view>

namespace tarnbeck {

// Full names of the subordinates of `parentName` (all, or containers only), in the user's
// locale's order of names, ignoring case; with details each carries an hobject. A failure
// raises DirectoryError.
ValueList ListSubordinates(dsclient::ContextHandle context, std::string_view parentName,
                           bool withDetails, bool allSubordinates);

} // namespace tarnbeck
