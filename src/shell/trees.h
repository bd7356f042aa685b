#pragma once

// Contexts and the trees the workstation can reach.

#include "platform/dsclient/client.h"
#include "shell/app_state.h"

#include <functional>
#include <optional>
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

// Who the program works as on the context's tree: the user's name, or empty when the
// workstation is not logged in there or the tree cannot tell.
std::string WorkingIdentity(dsclient::ContextHandle context);

// A configured tree the client had to leave out, and why (the file or server, the status).
struct UnavailableTree {
    std::string name;
    std::string problem;
};
std::vector<UnavailableTree> UnavailableTrees();

// The trees the workstation is authenticated to, sorted without regard to case; empty when the
// scan fails.
std::vector<std::string> ScanAuthenticatedTrees(dsclient::ContextHandle context);

// Points the context at another tree and its default name context. Nothing changes when the
// context is on that tree already; the status of the last call made is returned.
dsclient::Status SwitchContextTree(dsclient::ContextHandle context, const std::string &treeName);

// Every tree the client can see through the primary connection, sorted without regard to case
// and without duplicates. A failing call raises DirectoryError; the connection is closed on
// every path.
std::vector<std::string> ScanAvailableTrees(dsclient::ContextHandle context);

// Asks the administrator to log in on `context`: the user name typed when the login succeeded,
// nothing when it was cancelled.
using LoginPrompt = std::function<std::optional<std::string>(dsclient::ContextHandle context)>;

// Makes `treeName` usable: a tree the workstation is not authenticated to gets a context of its
// own and a login on it; one it is authenticated to gets a context the first time. True when the
// tree can now be used. A context whose login was cancelled is freed at once.
bool AddConnectedTree(AppState &app, dsclient::ContextHandle context, const std::string &treeName,
                      const LoginPrompt &login);

// The entry of AppState::addedTrees for the tree (compared without regard to case), or null.
const TreeEntry *FindAddedTree(const AppState &app, const std::string &treeName);

} // namespace tarnbeck
