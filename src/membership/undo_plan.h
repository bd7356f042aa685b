#pragma once

// The inverse of a journalled run: what it added is removed, what it removed is added back.
// Only what the run wrote is undone; a member a later run changed again is left alone unless
// forced. Used by tarnbeck-sync --undo and by the window's "Undo this run".

#include "membership/member_entry.h"
#include "platform/journal/journal_db.h"

#include <set>
#include <string>
#include <vector>

namespace tarnbeck {

struct UndoPlan {
    MemberEntries changes;            // Remove for what the run added, Add for what it removed
    std::vector<std::string> reasons; // per change: "undoes run R: <the run's reason>"
    std::vector<std::string> notes;   // members left alone, and why
};

// `history` holds the runs on the run's tree and group (any order); `members` the group's
// current Member values, lower-cased.
UndoPlan PlanUndo(const journal::RunRow &run, const std::vector<journal::RunRow> &history,
                  const std::set<std::string> &members, bool force);

} // namespace tarnbeck
