#pragma once

// The journal kept on disk: one SQLite file per user, readable by its owner only. Several
// programs may write it at once; each waits its turn briefly.

#include "platform/journal/update_journal.h"

#include <ctime>
#include <memory>

struct sqlite3;

namespace tarnbeck::journal {

struct ChangeRow {
    std::string name;
    std::string action;
    std::string reason;
    std::string outcome; // "written", "refused", "not written", "pending"
    int status = 0;      // the directory's status when refused
    std::string sides{}; // when written on some sides only, which ones
};

struct RunRow {
    RunId id = 0;
    std::time_t time = 0;
    std::string tree;
    std::string group;
    std::string identity;
    std::string program;
    std::optional<RunId> undoes;
    std::string outcome; // "completed", "stopped", "failed", "cut short", "running"
    std::time_t settled = 0; // when its pending writes were read back from the directory
    std::vector<ChangeRow> changes;
};

// The change's outcome as a reader is told it: a write still pending in a run that is over is
// "not known" (until the directory is read back). OutcomeText also names the sides of one
// written on some sides only.
std::string OutcomeOf(const RunRow &run, const ChangeRow &change);
std::string OutcomeText(const RunRow &run, const ChangeRow &change);

// Empty fields match everything; names match without regard to ASCII case.
struct HistoryFilter {
    std::string tree;
    std::string group;
    std::string member; // only runs that touched it, and only its changes
    std::optional<RunId> run;
    std::time_t since = 0;
};

// $XDG_DATA_HOME/tarnbeck/journal.db, else ~/.local/share/tarnbeck/journal.db.
std::string DefaultJournalPath();

class JournalDb : public UpdateJournal {
  public:
    struct Opened {
        std::unique_ptr<JournalDb> journal; // empty: `problem` says why
        std::string problem;
        std::string notice; // a damaged journal set aside, and where
    };
    // Opens or creates the file (never through a link), checks it, sets a damaged one aside
    // under a new name and starts afresh, and drops runs older than `retentionDays` (none: a
    // reader that keeps everything).
    static Opened Open(const std::string &path, std::optional<int> retentionDays);
    ~JournalDb() override;
    JournalDb(const JournalDb &) = delete;
    JournalDb &operator=(const JournalDb &) = delete;

    RunId beginRun(const RunStart &start, const std::vector<PlannedWrite> &writes) override;
    void confirmWritten(RunId run, std::size_t first, std::size_t count) override;
    void recordRefused(RunId run, std::size_t index, int status) override;
    void endRun(RunId run, RunEnd end) override;
    std::vector<UnsettledWrite> unsettled(const std::string &tree,
                                          const std::string &group) const override;
    void settle(const std::vector<Settlement> &settlements) override;

    // Newest first.
    std::vector<RunRow> history(const HistoryFilter &filter) const;

  private:
    explicit JournalDb(sqlite3 *db) : db_(db) {}
    sqlite3 *db_;
};

} // namespace tarnbeck::journal
