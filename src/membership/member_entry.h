#pragma once

#include "membership/member_mark.h"
#include "membership/member_reason.h"

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
    // Why: explains the mark, changes nothing Update does, so entries compare without it.
    MemberReason reason{};

    bool operator==(const MemberEntry &other) const {
        return name == other.name && mark == other.mark && incomplete == other.incomplete;
    }
};
using MemberEntries = std::vector<MemberEntry>;

} // namespace tarnbeck
