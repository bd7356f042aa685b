#pragma once

// tarnbeck-sync --undo RUN: the inverse of what a journalled run wrote (what it added is
// removed, what it removed is added back, on all four sides), planned like any group and
// written with --apply as a run of its own that names the run it undoes.

#include "sync/sync_options.h"

#include <ostream>

namespace tarnbeck {

int RunUndo(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
            std::ostream &err);

} // namespace tarnbeck
