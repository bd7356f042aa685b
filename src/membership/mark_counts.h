#pragma once

// How many entries of an outcome carry each mark, and those counts in words.

#include "membership/member_entry.h"

#include <cstddef>
#include <string>

namespace tarnbeck {

struct MarkCounts {
    std::size_t kept = 0;
    std::size_t toAdd = 0;
    std::size_t toRemove = 0;
    std::size_t excluded = 0;
    std::size_t statics = 0;
    std::size_t notAddable = 0;
};

MarkCounts CountMarks(const MemberEntries &entries);
// "12 kept, 3 to add, 1 to remove, 0 excluded, 1 static", with ", 2 not addable" when any.
std::string DescribeCounts(const MarkCounts &counts);

} // namespace tarnbeck
