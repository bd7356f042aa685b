#pragma once

// The per-tree settings (top of the search tree, query attribute) and the global list
// attributes, all kept in the program directory's Tarnbeck.ini:
//
//   [TREES]    <tree name>=<top of the search tree>
//   [<tree>]   Attribute=<query attribute>
//   [SYSTEM]   exclude=<exclude attribute>, include=<static attribute>, RemovalBrakePercent and
//              RemovalBrakeCount=<the brake on mass removals>, AdditionBrakePercent and
//              AdditionBrakeCount=<the brake on mass additions>, MemberClasses=<classes that
//              may be members besides User and Workstation, separated by commas>, any other
//              key: one attribute offered as query attribute, in file order

#include "shell/app_state.h"

#include <string>

namespace tarnbeck {

// Reads the current tree's settings and the global values into `app`. Missing keys give the
// defaults; the query attribute is always one of the offered attributes (empty when none is).
void LoadTreeSettings(AppState &app);

// Writes both per-tree values of the current tree, then puts them in force. A write the file
// layer refuses throws std::runtime_error with its text ("<path>: <reason>"), so the action's
// guard shows it; the values in force then stay as they were.
void SaveTreeSettings(AppState &app, const std::string &top, const std::string &queryAttribute);

} // namespace tarnbeck
