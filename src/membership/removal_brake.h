#pragma once

// The brake on mass removals: an outcome that takes out more than a share and a number of the
// current members is not written without a second thought, so a broken query cannot empty a
// group in one step.

#include "membership/member_entry.h"

#include <cstddef>
#include <string>

namespace tarnbeck {

struct RemovalBrake {
    std::size_t percent = 25; // more than this share of the current members ...
    std::size_t count = 20;   // ... and more than this many names
};

struct RemovalCount {
    std::size_t removals = 0; // current members the outcome takes out
    std::size_t members = 0;  // current members
};

RemovalCount CountRemovals(const MemberEntries &outcome);
// True when the outcome removes more than the brake's share and more than its number.
bool BrakeHolds(const RemovalCount &count, const RemovalBrake &brake);
// "Update group will remove N of M members. Continue?"
std::string RemovalQuestion(const RemovalCount &count);

} // namespace tarnbeck
