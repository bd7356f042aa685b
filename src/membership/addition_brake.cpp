#include "membership/addition_brake.h"

namespace tarnbeck {

AdditionCount CountAdditions(const MemberEntries &outcome) {
    AdditionCount count;
    for (const MemberEntry &entry : outcome) {
        if (entry.reason.member)
            ++count.members;
        else if (entry.mark == MemberMark::Add || entry.mark == MemberMark::Static)
            ++count.additions;
    }
    return count;
}

bool BrakeHolds(const AdditionCount &count, const AdditionBrake &brake) {
    // Whole numbers only: additions / members > percent / 100 (any addition to an empty group).
    return count.additions * 100 > brake.percent * count.members && count.additions > brake.count;
}

std::string AdditionQuestion(const AdditionCount &count) {
    return "Update group will add " + std::to_string(count.additions) + " names to a group of " +
           std::to_string(count.members) + " members. Continue?";
}

} // namespace tarnbeck
