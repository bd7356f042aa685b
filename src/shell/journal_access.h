#pragma once

// The user's journal as the programs open it: the file in the user's data folder, the
// retention of Tarnbeck.ini, and the record of a walk on the current tree.

#include "membership/journal_recorder.h"
#include "platform/journal/journal_db.h"
#include "shell/app_state.h"

#include <map>
#include <vector>

namespace tarnbeck {

// The journal file; TARNBECK_JOURNAL names another (tests, or a shared disk of the user's).
std::string JournalPath();

// Opens the journal keeping `app.journalDays` of runs. `notice` tells of a damaged journal
// set aside.
journal::JournalDb::Opened OpenUserJournal(const AppState &app);

// A walk on the current tree recorded in `journal`, as whoever the client acts as.
JournalTarget JournalTargetFor(const AppState &app, journal::UpdateJournal &journal,
                               const std::string &program);

// For the names of `group` whose last journalled change was a written add, lower-cased: "added
// by run R on DATE". Empty when the journal cannot be read.
std::map<std::string, std::string> AddedByNotes(const std::string &tree, const std::string &group);

// The runs the journal holds on the group, newest first; empty with `problem` set when the
// journal cannot be read.
std::vector<journal::RunRow> GroupRuns(const std::string &tree, const std::string &group,
                                       std::string &problem);

// The undo of `run` as an outcome of Execute: the group's current members kept, those the run
// added marked for removal, those it removed added back. `notes` names members left alone.
MemberEntries UndoOutcome(const AppState &app, const journal::RunRow &run,
                          const std::vector<journal::RunRow> &groupRuns,
                          std::vector<std::string> &notes);

// "window 1.03", "runner 1.03".
std::string ProgramWithVersion(const char *program);

} // namespace tarnbeck
