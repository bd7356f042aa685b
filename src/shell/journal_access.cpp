#include "shell/journal_access.h"

#include "shell/trees.h"

#include <cstdlib>

namespace tarnbeck {

std::string JournalPath() {
    const char *path = std::getenv("TARNBECK_JOURNAL");
    return path && path[0] == '/' ? std::string(path) : journal::DefaultJournalPath();
}

journal::JournalDb::Opened OpenUserJournal(const AppState &app) {
    return journal::JournalDb::Open(JournalPath(), app.journalDays);
}

JournalTarget JournalTargetFor(const AppState &app, journal::UpdateJournal &journal,
                               const std::string &program) {
    JournalTarget target;
    target.journal = &journal;
    target.start.tree = app.currentTree;
    target.start.identity = WorkingIdentity(app.mainContext);
    target.start.program = program;
    return target;
}

std::string ProgramWithVersion(const char *program) {
    return std::string(program) + " " + kTarnbeckVersion;
}

} // namespace tarnbeck
