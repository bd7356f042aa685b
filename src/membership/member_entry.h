#pragma once

#include "membership/member_mark.h"

#include <string>
#include <vector>

namespace tarnbeck {

// One entry of the member list: an object name, what Update group does with it, and what
// Execute found out about it.
struct MemberEntry {
    std::string name;
    MemberMark mark = MemberMark::Keep;
    // The membership is written on some of its sides only (an Update that was interrupted or
    // refused part-way). Update completes it when the name belongs in the group (keep, add,
    // static) and finishes removing it otherwise.
    bool incomplete = false;

    bool operator==(const MemberEntry &) const = default;
};
using MemberEntries = std::vector<MemberEntry>;

} // namespace tarnbeck
