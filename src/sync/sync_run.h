#pragma once

// One run of tarnbeck-sync: starts the client on the tree, plans every group asked for,
// applies what may be applied, prints each group's plan as it is done, and ends with the exit
// status the manual gives.

#include "sync/sync_options.h"

#include <ostream>

namespace tarnbeck {

// Exit statuses.
inline constexpr int kSyncNothingToDo = 0;
inline constexpr int kSyncError = 1;
inline constexpr int kSyncPlannedOnly = 2;
inline constexpr int kSyncBrakeHeld = 3;

// `programDirectory` holds Tarnbeck.ini (ending in "/"). Messages go to `err`, the plan to `out`.
int RunSync(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
            std::ostream &err);

} // namespace tarnbeck
