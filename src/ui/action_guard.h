#pragma once

#include <functional>

namespace tarnbeck {

// Runs one user action; an error it raises (a directory error, a file error) ends the action
// and is shown once in a message box, the way the application's general error display does.
// The program keeps running with whatever state the action had reached.
void RunGuarded(const std::function<void()> &action);

} // namespace tarnbeck
