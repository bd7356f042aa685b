#pragma once

// Contexts and the trees the workstation can reach.

#include "platform/dsclient/client.h"

#include <string>
#include <vector>

namespace tarnbeck {

// A context with typeless names, no name canonicalisation, no alias dereferencing and
// confidence 0, bound to the workstation's primary connection when there is one. `ok` is false
// when creating or setting up the context failed (on a failed creation there is no handle).
struct OpenedContext {
    dsclient::ContextHandle context = 0;
    bool ok = false;
};
OpenedContext OpenTreeContext();

// The tree the context points at.
std::string ContextTreeName(dsclient::ContextHandle context);

// The trees the workstation is authenticated to, sorted without regard to case; empty when the
// scan fails.
std::vector<std::string> ScanAuthenticatedTrees(dsclient::ContextHandle context);

} // namespace tarnbeck
