#include "membership/removal_brake.h"

namespace tarnbeck {

RemovalCount CountRemovals(const MemberEntries &outcome) {
    RemovalCount count;
    for (const MemberEntry &entry : outcome) {
        if (!entry.reason.member)
            continue;
        ++count.members;
        if (entry.mark == MemberMark::Remove || entry.mark == MemberMark::Excluded)
            ++count.removals;
    }
    return count;
}

bool BrakeHolds(const RemovalCount &count, const RemovalBrake &brake) {
    // Whole numbers only: removals / members > percent / 100.
    return count.removals * 100 > brake.percent * count.members && count.removals > brake.count;
}

std::string RemovalQuestion(const RemovalCount &count) {
    return "Update group will remove " + std::to_string(count.removals) + " of " +
           std::to_string(count.members) + " members. Continue?";
}

} // namespace tarnbeck
