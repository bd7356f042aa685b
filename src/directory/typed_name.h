#pragma once

// Typeful names ("cn=Joe.ou=Sales.o=Acme") of browser nodes, for showing a chosen container as
// a search context. Each component's naming attribute follows its object's class.

#include "directory/name_node.h"
#include "platform/dsclient/client.h"

#include <string>

namespace tarnbeck {

// The naming attribute of the node's object and "=", e.g. "ou=".
std::string NamingPrefix(dsclient::ContextHandle context, const NameNode *node);
// The typeful name of a node; empty for no node.
std::string TypedName(dsclient::ContextHandle context, const NameNode *node);

} // namespace tarnbeck
