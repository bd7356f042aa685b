#pragma once

// The main window's two uses of the browser and the settings dialog that are more than a click:
// choosing the search context of a query and editing the current tree's settings.

#include "shell/app_state.h"

#include <optional>
#include <string>

namespace tarnbeck {

class TcForm;
class Ttoplicform;

// Lets the administrator pick a container as a query's search context. The context text on OK:
// "t=" + tree for the top of the tree, else the container's typeful name in lower case; none
// when the browser was left any other way.
std::optional<std::string> ChooseQueryContext(TcForm &browser, AppState &app);

// Shows the settings of the current tree; on OK saves them (SaveTreeSettings) and puts them in
// force, also as the browser's top. Cancel changes nothing. A refused write is passed on and
// leaves the values in force as they were.
void RunSettingsDialog(Ttoplicform &dialog, TcForm &browser, AppState &app);

} // namespace tarnbeck
