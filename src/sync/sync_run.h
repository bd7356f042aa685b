#pragma once

// One run of tarnbeck-sync: starts the client on the tree, plans every group asked for,
// applies what may be applied, prints each group's plan as it is done, and ends with the exit
// status the manual gives.

#include "membership/journal_recorder.h"
#include "platform/dsclient/client.h"
#include "platform/dsclient/config.h"
#include "query/execute.h"
#include "sync/group_report.h"
#include "sync/sync_options.h"

#include <functional>

#include <ostream>

namespace tarnbeck {

// Exit statuses.
inline constexpr int kSyncNothingToDo = 0;
inline constexpr int kSyncError = 1;
inline constexpr int kSyncPlannedOnly = 2;
inline constexpr int kSyncBrakeHeld = 3;
inline constexpr int kSyncPlanChanged = 4; // --apply-plan: the tree changed since the plan

// `programDirectory` holds Tarnbeck.ini (ending in "/"). Messages go to `err`, the plan to `out`.
int RunSync(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
            std::ostream &err);

// What the journal commands change in a run of the groups.
struct SyncHooks {
    // Instead of Execute: the changes to make in the group, with the report's counts filled.
    std::function<MemberEntries(dsclient::ContextHandle, const std::string &group, GroupReport &)>
        plan;
    // Sees each group's outcome of Execute; a text refuses to write the group, which then fails
    // with it as a plan the tree no longer matches.
    std::function<std::optional<std::string>(const ExecuteTarget &, const MemberEntries &,
                                             const GroupReport &)>
        outcome;
    // Sees the tree once the client is on it; a text ends the run with it.
    std::function<std::optional<std::string>(const dsclient::TreeConfig &)> started;
    // What the journal is told of each group written.
    std::function<void(JournalTarget &)> journal;
    bool printPlan = true;
};
int RunSyncWith(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
                std::ostream &err, const SyncHooks &hooks);

} // namespace tarnbeck
