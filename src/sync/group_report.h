#pragma once

// What a run did with one group: its plan (counts per mark, the names to add or remove with
// their reasons) and how it ended.

#include "membership/mark_counts.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tarnbeck {

// What writing a name does: puts it in, takes it out, or completes a membership that is
// written on some sides only (the name stays a member); a name that cannot be a member is
// listed with its reason and never written.
enum class ChangeAction { Add, Remove, Complete, NotAddable };

struct PlannedChange {
    std::string name;
    MemberMark mark = MemberMark::Keep;
    std::string reason;
    ChangeAction action = ChangeAction::Add;
};

struct GroupReport {
    enum class Result {
        Unchanged, // nothing to write
        Planned,   // changes planned, not applied (no --apply)
        Applied,   // every change written
        Held,      // the brake held it back
        Failed,    // an error; nothing of it may be taken as a plan
    };
    std::string group;
    bool addMode = false;
    MarkCounts counts;
    std::vector<PlannedChange> changes; // every name whose mark writes something
    std::size_t currentMembers = 0;
    std::size_t removals = 0; // current members the plan takes out (removed and excluded)
    std::size_t additions = 0;             // names the plan makes members
    bool overBrake = false;                // removes or adds more than a brake allows
    bool overAdditionBrake = false;        // it is the brake on additions that holds
    std::vector<std::string> illegalNames; // found, not addable: no directory takes them
    std::size_t written = 0;  // members written when applied
    Result result = Result::Unchanged;
    std::string error;
    bool treeChanged = false; // failed because the tree changed since the saved plan
};

const char *ResultWord(GroupReport::Result result);
const char *MarkWord(MemberMark mark);
// The action of an entry whose writing changes the directory.
ChangeAction ActionOf(const MemberEntry &entry);
const char *ActionWord(ChangeAction action);

} // namespace tarnbeck
