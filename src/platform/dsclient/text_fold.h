#pragma once

// Names are compared without regard to case, and not only in ASCII: "Ä" and "ä" are one name.
// Every part that compares names this way (the stores' look-ups, the program's merging and
// lists) folds with these functions, so the same two spellings are one name everywhere.

#include <cstddef>
#include <string>
#include <string_view>

namespace dsclient {

// Each code point lowered by Unicode's simple case mapping; bytes that are not UTF-8 are kept.
std::string FoldCase(std::string_view text);
bool EqualsFolded(std::string_view a, std::string_view b);
// A hash that agrees with EqualsFolded.
std::size_t HashFolded(std::string_view text);
bool IsValidUtf8(std::string_view text);

} // namespace dsclient
