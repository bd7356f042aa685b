#pragma once

// A reviewed plan kept in a file (--save-plan) and applied later exactly as it was
// reviewed (--apply-plan). The file is one JSON document sealed with a digest of its content,
// so a plan edited by hand is refused.

#include "membership/member_entry.h"
#include "query/execute.h"
#include "sync/group_report.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace tarnbeck {

struct SavedChange {
    std::string name;
    std::string action; // "add", "remove" or "complete"
    std::string reason;
    bool operator==(const SavedChange &) const = default;
};

struct SavedGroup {
    std::string group;
    std::string mode; // "add" or "sync"
    std::vector<SavedChange> changes;
    std::string fingerprint; // of every input Execute read
};

struct SavedPlan {
    std::string tree;
    std::string place; // the store file or the server the tree is reached at
    std::time_t created = 0;
    std::vector<SavedGroup> groups;
};

// The group's plan as saved: its changes and the fingerprint of what Execute read (the stored
// queries, the exclude and static lists, Member and Equivalent To Me, the names found and by
// which queries). Reads the directory; failures raise DirectoryError.
SavedGroup SaveGroup(const ExecuteTarget &target, const MemberEntries &outcome,
                     const GroupReport &report);

// What differs between the saved and the fresh plan of a group, in a few words; empty when
// they are the same.
std::string PlanDifference(const SavedGroup &saved, const SavedGroup &fresh);

std::string PlanDocument(const SavedPlan &plan);
// Empty with `error` set when the text is no plan or was changed after it was written.
std::optional<SavedPlan> ParsePlanDocument(const std::string &text, std::string &error);

} // namespace tarnbeck
