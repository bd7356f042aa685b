#pragma once

// What the program asks of one object's own entry: its class, whether it holds others, and
// where an alias points.

#include "platform/dsclient/client.h"

#include <string>
#include <string_view>

namespace tarnbeck {

// The object's base class (at most 136 characters).
std::string ObjectBaseClass(dsclient::ContextHandle context, std::string_view objectName);
// True for containers and aliases of containers.
bool IsContainer(dsclient::ContextHandle context, std::string_view objectName);
// The aliased object's name for an alias, else the name unchanged.
std::string ResolveAlias(dsclient::ContextHandle context, std::string_view objectName);

} // namespace tarnbeck
