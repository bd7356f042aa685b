#pragma once

// Typeless dotted names: leaf first, components separated by ".", a dot inside a component
// written "\.", compared without regard to case; "[Root]" (any case) is the top of the tree.

#include "platform/dsclient/status.h"

#include <string>
#include <string_view>
#include <vector>

namespace dsclient::embedded {

constexpr std::size_t kMaxNameLength = 256;

std::string LowerAscii(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool IsRootName(std::string_view name);

// Splits a name into unescaped components, leaf first; "[Root]" gives none. IllegalName for an
// empty or overlong name, an empty component or a control character.
Status SplitName(std::string_view name, std::vector<std::string> &components);
// The leaf-first dotted name of unescaped components.
std::string JoinName(const std::vector<std::string> &components);
std::string EscapeComponent(std::string_view component);
// The root-first key under which an object is indexed: a whole subtree is one key range.
std::string PathKey(const std::vector<std::string> &components);
// Keys of every object below `key` lie in [key, SubtreeEnd(key)).
std::string SubtreeEnd(const std::string &key);

} // namespace dsclient::embedded
