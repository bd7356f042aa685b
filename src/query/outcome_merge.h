#pragma once

// How Execute turns the queries' result into the marked member list: the current members
// merged by mode, the static list added, the exclude list applied last.

#include "membership/member_entry.h"
#include "query/member_set.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarnbeck {

struct OutcomeInputs {
    std::vector<std::string> currentMembers;
    // Absent when the list is not applied.
    std::optional<std::vector<std::string>> staticNames;
    std::optional<std::vector<std::string>> excludeNames;
    bool addMode = false; // clear: Sync mode
    // Names whose membership is written on some sides only.
    std::vector<std::string> halfWritten;
    // Asked for every name the outcome would write as a member (add, static, incomplete keep)
    // with what the search told of it (null: not found or not told); a refusal marks it not
    // addable. None: every name may be a member.
    std::function<RefusalPtr(const std::string &name, const FoundKind *kind)> refusalOf;
};

// Every found name is marked add; a current member is marked keep when found, otherwise
// appended as keep (Add mode) or remove (Sync mode); a half-written name is flagged incomplete,
// and appended as remove (in either mode) when no query found it and it is no member; static
// names are marked or appended as static; exclude names already in the outcome become
// excluded, others are ignored; last, names refused membership are marked not addable. Names
// compare without regard to case, the first spelling met
// is kept; the outcome is sorted without regard to case. Takes its inputs over, so each is
// given back as soon as it is merged, before the outcome is sorted.
MemberEntries MergeOutcome(MemberSet found, OutcomeInputs inputs);

} // namespace tarnbeck
