#pragma once

// Where a stored query's search starts: its typed context made typeless.

#include <string>
#include <string_view>

namespace tarnbeck {

// Drops every component's naming type: "ou=sales.o=acme" gives "sales.acme". A backslash
// keeps the character after it, so "\," and "\." stay part of their component.
std::string StripNamingTypes(std::string_view context);

// The name the search takes for a context: the tree root ("t=" + tree name) is "[Root]",
// anything else its typeless form.
std::string SearchBaseOf(std::string_view context);

} // namespace tarnbeck
