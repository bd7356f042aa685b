#pragma once

// The brake on mass additions, beside the one on removals: an outcome that grows a group by
// more than a share of its members and more than a number of names is not written without a
// second thought, so a query that suddenly finds the whole tree cannot pour it into the group.

#include "membership/member_entry.h"

#include <cstddef>
#include <string>

namespace tarnbeck {

struct AdditionBrake {
    // More than doubling the group and more than 500 names: the first run of a new group of a
    // few hundred goes through, a group of hundreds that grows to a whole tree does not.
    std::size_t percent = 100; // more than this share of the current members ...
    std::size_t count = 500;   // ... and more than this many names
};

struct AdditionCount {
    std::size_t additions = 0; // names the outcome makes members that are none yet
    std::size_t members = 0;   // current members
};

AdditionCount CountAdditions(const MemberEntries &outcome);
// True when the outcome adds more than the brake's share and more than its number.
bool BrakeHolds(const AdditionCount &count, const AdditionBrake &brake);
// "Update group will add N names to a group of M members. Continue?"
std::string AdditionQuestion(const AdditionCount &count);

} // namespace tarnbeck
