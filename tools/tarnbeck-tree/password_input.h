#pragma once

#include <istream>
#include <string>

namespace tarnbeck {

// Reads one line from standard input with echo switched off while it is a terminal. False when
// nothing could be read.
bool ReadPasswordFromStdin(std::string &password);

// One line from `in`, without the line end ("\n" or "\r\n"). False at end of input.
bool ReadPasswordLine(std::istream &in, std::string &password);

// Overwrites the characters before the string lets go of them.
void WipePassword(std::string &password);

} // namespace tarnbeck
