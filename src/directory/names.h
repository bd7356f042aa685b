#pragma once

// Typeless dotted names (leaf first, "\." for a dot inside a component): building them from
// browser nodes and taking them apart. Pure text work, no directory calls.

#include "directory/name_node.h"

#include <string>
#include <string_view>

namespace tarnbeck {

// True for the pseudo-names "[root]" and "[public]" (any case), which never become a component.
bool IsPseudoName(std::string_view name);

// A component's text as the directory writes it in a dotted name: every "." written "\.", and a
// backslash before a dot, a comma or the end doubled.
std::string EscapeDots(std::string_view component);

// The typeless name of a node; empty for no node.
std::string DottedName(const NameNode *node);
// The node's components root first, joined by `separator`.
std::string SeparatedPath(const NameNode *node, char separator);

// The n-th component (0 = leftmost) of a dotted name, unescaped; past the last separator the
// last component.
std::string NameComponent(std::string_view name, int n);
// Drops n components from the right (takeTail false), or returns what was dropped (true).
std::string SplitFromRight(std::string_view name, int n, bool takeTail, char separator);
// The n-th component of a "\"-separated path.
std::string PathComponent(std::string_view path, int n);

} // namespace tarnbeck
