#pragma once

#include "command_line.h"

#include <ostream>
#include <string>
#include <string_view>

namespace tarnbeck {

// Runs one command; messages go to `out` and `err`. The exit code: 0 on success, 1 when the
// store refused the work, 2 on bad usage.
int RunTreeCommand(const TreeCommand &command, std::ostream &out, std::ostream &err);

// Sets the password of `objectName` in an existing store (TreeError when refused).
void SetStorePassword(const std::string &path, std::string_view objectName,
                      std::string_view password);
// Writes the whole store as text to `out` (TreeError when refused).
void DumpStore(const std::string &path, std::ostream &out);

} // namespace tarnbeck
