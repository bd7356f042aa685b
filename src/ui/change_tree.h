#pragma once

// Changing the current tree from the main window: the administrator picks one of the connected
// trees (or adds one, logging in when needed) and the main context is pointed at it. Nothing of
// the open group changes until another tree is chosen with OK (and unsaved edits given up).

#include "shell/app_state.h"

#include <functional>

namespace tarnbeck {

struct Windows;

// The main window's parts the change of tree works through.
struct ChangeTreeHooks {
    std::function<bool()> ConfirmDiscard; // false: the administrator keeps unsaved data
    std::function<void()> ResetGroup;     // empties the group, its lists and the editor
    std::function<void()> ReleaseQueries; // the loaded query strings and the name table
    std::function<void()> UpdateCaption;
    std::function<void()> ReloadTreeConfiguration; // name table, then the tree's settings
};

void ChangeTree(AppState &app, Windows &windows, const ChangeTreeHooks &hooks);

// Lets the connected trees dialog add trees through the select tree and login dialogs, and the
// login dialog pick users in the browser. ChangeTree does this itself before each showing.
void ConnectTreeDialogs(AppState &app, Windows &windows);

} // namespace tarnbeck
