#pragma once

// The queries of the group being edited, as the editor works on them.

#include "query/query_settings.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tarnbeck {

struct QueryList {
    // Query strings without their "q:" prefix; never empty. An empty entry is a query that has
    // not been composed yet.
    std::vector<std::string> entries{std::string()};
    // The query shown in the editor.
    std::size_t currentIndex = 0;
    // "user" for a Group, "workstation" for a workstation group: names the default filter's class.
    std::string memberClassWord = "user";
    // As last loaded or saved; all clear until a group's settings are read.
    QuerySettings settings;
};

} // namespace tarnbeck
