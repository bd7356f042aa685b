#pragma once

// Names and texts from the directory shown on a terminal or in a message: control characters
// become visible escapes ("\n", "\x1b"), so a name can neither forge a line nor reach the
// terminal as a command. Everything else, UTF-8 included, passes as it is.

#include <string>
#include <string_view>

namespace tarnbeck {

std::string VisibleText(std::string_view text);

} // namespace tarnbeck
