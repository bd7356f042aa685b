#pragma once

// The dialogs created at start besides the main window, the browser and the about box, so that
// everything created at start is known in one place. Each has its own files.

#include "ui/close_box.h"
#include "ui/connected_trees_dialog.h"
#include "ui/login_dialog.h"
#include "ui/new_object_dialog.h"
#include "ui/select_tree_dialog.h"
#include "ui/settings_dialog.h"
