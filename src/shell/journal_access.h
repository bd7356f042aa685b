#pragma once

// The user's journal as the programs open it: the file in the user's data folder, the
// retention of Tarnbeck.ini, and the record of a walk on the current tree.

#include "membership/journal_recorder.h"
#include "platform/journal/journal_db.h"
#include "shell/app_state.h"

namespace tarnbeck {

// The journal file; TARNBECK_JOURNAL names another (tests, or a shared disk of the user's).
std::string JournalPath();

// Opens the journal keeping `app.journalDays` of runs. `notice` tells of a damaged journal
// set aside.
journal::JournalDb::Opened OpenUserJournal(const AppState &app);

// A walk on the current tree recorded in `journal`, as whoever the client acts as.
JournalTarget JournalTargetFor(const AppState &app, journal::UpdateJournal &journal,
                               const std::string &program);

// "window 1.03", "runner 1.03".
std::string ProgramWithVersion(const char *program);

} // namespace tarnbeck
