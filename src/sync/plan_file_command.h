#pragma once

// --save-plan FILE: a dry run that also keeps its plan in FILE. --apply-plan FILE: runs Execute
// again for each group of the file and writes exactly the saved changes where the fresh plan
// is the same; a group whose plan differs is not written (exit status 4).

#include "sync/sync_options.h"

#include <ostream>

namespace tarnbeck {

int RunSavePlan(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
                std::ostream &err);
int RunApplyPlan(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
                 std::ostream &err);

} // namespace tarnbeck
