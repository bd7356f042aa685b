#pragma once

// tarnbeck-sync --history: the journal's runs and their changes, newest first.

#include "platform/journal/journal_db.h"
#include "sync/sync_options.h"

#include <ostream>
#include <vector>

namespace tarnbeck {

// Prints the runs as text, one JSON object per line and run, or CSV (one row per change).
void WriteHistory(const std::vector<journal::RunRow> &runs, PlanFormat format, std::ostream &out);

// The journal opened for reading (nothing is dropped); null after saying why on `err`.
std::unique_ptr<journal::JournalDb> OpenJournalToRead(std::ostream &err);

int RunHistory(const SyncOptions &options, std::ostream &out, std::ostream &err);

} // namespace tarnbeck
