#pragma once

// Typeless dotted names: leaf first, components separated by ".", a dot inside a component
// written "\.", compared without regard to case (beyond ASCII: "Ä" and "ä" are one name);
// "[Root]" (any case) is the top of the tree. A "\," is a comma, as a context typed with naming
// types writes it. A backslash that would otherwise be read as an escape (before "." or "," or at
// the end of a component) is written "\\"; anywhere else it stands for itself, so every list of
// components has one name of its own.

#include "platform/dsclient/status.h"

#include <string>
#include <string_view>
#include <vector>

namespace dsclient {

constexpr std::size_t kMaxNameLength = 256;

std::string LowerAscii(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool IsRootName(std::string_view name);

// Splits a name into unescaped components, leaf first; "[Root]" gives none. IllegalName for an
// empty or overlong name, an empty component, a control character or text that is not UTF-8.
Status SplitName(std::string_view name, std::vector<std::string> &components);
// The leaf-first dotted name of unescaped components.
std::string JoinName(const std::vector<std::string> &components);
std::string EscapeComponent(std::string_view component);
// The key of one component: folded beyond ASCII, or (`folded` off, stores not yet converted)
// lowered in ASCII only.
std::string ComponentKey(std::string_view component, bool folded = true);
// The root-first key under which an object is indexed: a whole subtree is one key range.
std::string PathKey(const std::vector<std::string> &components, bool folded = true);
// Keys of every object below `key` lie in [key, SubtreeEnd(key)); not for the root's empty key.
std::string SubtreeEnd(const std::string &key);

} // namespace dsclient
