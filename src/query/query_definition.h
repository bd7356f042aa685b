#pragma once

// One stored query as the editor shows it.

#include "directory/search_scope.h"

#include <string>

namespace tarnbeck {

struct QueryDefinition {
    // A typed dotted name in lower case ("ou=sales.o=acme"), "t=" + tree name for the tree
    // root, or empty for a query not composed yet.
    std::string context;
    SearchScope scope = SearchScope::Sub;
    std::string filter;
    bool operator==(const QueryDefinition &) const = default;
};

} // namespace tarnbeck
