#include "platform/journal/journal_db.h"

#include "platform/journal/journal_file.h"

#include <signal.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <tuple>
#include <utility>

namespace tarnbeck::journal {

namespace {

constexpr int kBusyMilliseconds = 15000; // another program's batch is short
constexpr const char *kSchema = R"(
CREATE TABLE IF NOT EXISTS runs(
  id INTEGER PRIMARY KEY, time INTEGER NOT NULL, tree TEXT NOT NULL, grp TEXT NOT NULL,
  identity TEXT NOT NULL, program TEXT NOT NULL, undoes INTEGER, pid INTEGER NOT NULL,
  outcome TEXT);
CREATE TABLE IF NOT EXISTS changes(
  run INTEGER NOT NULL REFERENCES runs(id) ON DELETE CASCADE, seq INTEGER NOT NULL,
  name TEXT NOT NULL, action TEXT NOT NULL, reason TEXT NOT NULL,
  outcome TEXT NOT NULL, status INTEGER NOT NULL DEFAULT 0, PRIMARY KEY(run, seq));
CREATE INDEX IF NOT EXISTS changes_name ON changes(name COLLATE NOCASE);
)";

class Statement {
  public:
    Statement(sqlite3 *db, const char *sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            throw JournalError(std::string("the journal cannot be read: ") + sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int index, const std::string &text) {
        sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Statement &bind(int index, std::int64_t value) {
        sqlite3_bind_int64(stmt_, index, value);
        return *this;
    }
    Statement &bindNull(int index) {
        sqlite3_bind_null(stmt_, index);
        return *this;
    }
    // True while there is a row.
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            throw JournalError(std::string("the journal cannot be written: ") +
                               sqlite3_errmsg(db_));
        return false;
    }
    void run() {
        step();
        sqlite3_reset(stmt_);
    }
    void reset() { sqlite3_reset(stmt_); }
    std::int64_t integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    bool null(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    std::string text(int column) const {
        const auto *bytes = sqlite3_column_text(stmt_, column);
        return bytes ? std::string(reinterpret_cast<const char *>(bytes),
                                   static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                     : std::string();
    }

  private:
    sqlite3 *db_;
    sqlite3_stmt *stmt_ = nullptr;
};

void Exec(sqlite3 *db, const char *sql) {
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string text = error ? error : sqlite3_errmsg(db);
        sqlite3_free(error);
        throw JournalError("the journal cannot be written: " + text);
    }
}

// Writes as one transaction: all of it or, on an error, none.
class Transaction {
  public:
    explicit Transaction(sqlite3 *db) : db_(db) { Exec(db, "BEGIN IMMEDIATE"); }
    ~Transaction() {
        if (open_)
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit() {
        Exec(db_, "COMMIT");
        open_ = false;
    }

  private:
    sqlite3 *db_;
    bool open_ = true;
};

struct DbCloser {
    sqlite3 *db = nullptr;
    ~DbCloser() { sqlite3_close_v2(db); }
    sqlite3 *release() { return std::exchange(db, nullptr); }
};

bool Damaged(int code) {
    code &= 0xff;
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

bool HasColumn(sqlite3 *db, const char *table, const char *column) {
    sqlite3_stmt *info = nullptr;
    bool found = false;
    if (sqlite3_prepare_v2(db, (std::string("PRAGMA table_info(") + table + ")").c_str(), -1,
                           &info, nullptr) == SQLITE_OK)
        while (!found && sqlite3_step(info) == SQLITE_ROW) {
            const auto *name = sqlite3_column_text(info, 1);
            found = name && std::string(reinterpret_cast<const char *>(name)) == column;
        }
    sqlite3_finalize(info);
    return found;
}

// Opens and checks the file: 0 when usable, else the SQLite code and `problem`.
int OpenChecked(const std::string &path, DbCloser &db, std::string &problem) {
    int rc = sqlite3_open_v2(path.c_str(), &db.db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_FULLMUTEX,
                             nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db.db, kBusyMilliseconds);
        sqlite3_extended_result_codes(db.db, 1);
        rc = sqlite3_exec(db.db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        sqlite3_stmt *check = nullptr;
        rc = sqlite3_prepare_v2(db.db, "PRAGMA quick_check", -1, &check, nullptr);
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(check);
            const auto *word = sqlite3_column_text(check, 0);
            const bool fine = rc == SQLITE_ROW && word &&
                              std::string(reinterpret_cast<const char *>(word)) == "ok";
            rc = fine ? SQLITE_OK : (rc == SQLITE_ROW ? SQLITE_CORRUPT : rc);
        }
        sqlite3_finalize(check);
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(
            db.db, "PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON; PRAGMA secure_delete=ON;",
            nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db.db, kSchema, nullptr, nullptr, nullptr);
    // A journal of an earlier version gains the columns of settled runs; its rows read as
    // before (no sides: all four, never settled).
    for (const auto &[table, column, type] :
         {std::tuple{"changes", "sides", "TEXT"}, std::tuple{"runs", "settled", "INTEGER"}})
        if (rc == SQLITE_OK && !HasColumn(db.db, table, column))
            rc = sqlite3_exec(db.db,
                              (std::string("ALTER TABLE ") + table + " ADD COLUMN " + column +
                               " " + type)
                                  .c_str(),
                              nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        problem = db.db ? sqlite3_errmsg(db.db) : sqlite3_errstr(rc);
    return rc;
}

bool ProcessAlive(std::int64_t pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

} // namespace

std::string OutcomeOf(const RunRow &run, const ChangeRow &change) {
    return change.outcome == "pending" && run.outcome != "running" ? "not known" : change.outcome;
}

std::string OutcomeText(const RunRow &run, const ChangeRow &change) {
    if (change.outcome == "written" && !change.sides.empty())
        return "written on " + change.sides + " only";
    return OutcomeOf(run, change);
}

std::string DefaultJournalPath() {
    const char *data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
        return std::string(data) + "/tarnbeck/journal.db";
    const char *home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share/tarnbeck/journal.db";
}

JournalDb::Opened JournalDb::Open(const std::string &path, std::optional<int> retentionDays) {
    Opened opened;
    if (std::string problem = PrepareJournalFile(path); !problem.empty()) {
        opened.problem = "the journal cannot be opened: " + problem;
        return opened;
    }
    DbCloser db;
    std::string problem;
    int rc = OpenChecked(path, db, problem);
    if (rc != SQLITE_OK && Damaged(rc)) {
        sqlite3_close_v2(db.release());
        const std::string aside = SetAside(path);
        if (aside.empty()) {
            opened.problem =
                "the journal " + path + " is damaged (" + problem + ") and cannot be set aside";
            return opened;
        }
        opened.notice = "the journal " + path + " was damaged (" + problem + "); it is kept as " +
                        aside + " and a new one begun";
        if (std::string again = PrepareJournalFile(path); !again.empty()) {
            opened.problem = "the journal cannot be opened: " + again;
            return opened;
        }
        rc = OpenChecked(path, db, problem);
    }
    if (rc != SQLITE_OK) {
        opened.problem = "the journal " + path + " cannot be opened: " + problem;
        return opened;
    }
    auto journal = std::unique_ptr<JournalDb>(new JournalDb(db.release()));
    try {
        if (retentionDays) {
            const std::int64_t cutoff = static_cast<std::int64_t>(std::time(nullptr)) -
                                        std::int64_t{*retentionDays} * 86400;
            Statement(journal->db_, "DELETE FROM runs WHERE time < ?").bind(1, cutoff).run();
        }
    } catch (const JournalError &error) {
        opened.problem = error.what();
        return opened;
    }
    opened.journal = std::move(journal);
    return opened;
}

JournalDb::~JournalDb() {
    sqlite3_close_v2(db_);
}

RunId JournalDb::beginRun(const RunStart &start, const std::vector<PlannedWrite> &writes) {
    Transaction transaction(db_);
    Statement run(db_, "INSERT INTO runs(time, tree, grp, identity, program, undoes, pid) "
                       "VALUES(?, ?, ?, ?, ?, ?, ?)");
    run.bind(1, static_cast<std::int64_t>(std::time(nullptr)))
        .bind(2, start.tree)
        .bind(3, start.group)
        .bind(4, start.identity)
        .bind(5, start.program)
        .bind(7, static_cast<std::int64_t>(::getpid()));
    if (start.undoes)
        run.bind(6, *start.undoes);
    else
        run.bindNull(6);
    run.run();
    const RunId id = sqlite3_last_insert_rowid(db_);
    Statement change(db_, "INSERT INTO changes(run, seq, name, action, reason, outcome) "
                          "VALUES(?, ?, ?, ?, ?, 'pending')");
    for (std::size_t i = 0; i < writes.size(); ++i)
        change.bind(1, id)
            .bind(2, static_cast<std::int64_t>(i))
            .bind(3, writes[i].name)
            .bind(4, writes[i].action)
            .bind(5, writes[i].reason)
            .run();
    transaction.commit();
    return id;
}

void JournalDb::confirmWritten(RunId run, std::size_t first, std::size_t count) {
    if (count == 0)
        return;
    Statement(db_, "UPDATE changes SET outcome = 'written' WHERE run = ? AND seq >= ? AND seq < ? "
                   "AND outcome = 'pending'")
        .bind(1, run)
        .bind(2, static_cast<std::int64_t>(first))
        .bind(3, static_cast<std::int64_t>(first + count))
        .run();
}

void JournalDb::recordRefused(RunId run, std::size_t index, int status) {
    Statement(db_, "UPDATE changes SET outcome = 'refused', status = ? WHERE run = ? AND seq = ?")
        .bind(1, std::int64_t{status})
        .bind(2, run)
        .bind(3, static_cast<std::int64_t>(index))
        .run();
}

void JournalDb::endRun(RunId run, RunEnd end) {
    Transaction transaction(db_);
    if (end != RunEnd::Broken)
        Statement(db_,
                  "UPDATE changes SET outcome = 'not written' WHERE run = ? AND outcome = 'pending'")
            .bind(1, run)
            .run();
    const char *word = end == RunEnd::Completed ? "completed"
                       : end == RunEnd::Stopped ? "stopped"
                                                : "failed";
    Statement(db_, "UPDATE runs SET outcome = ? WHERE id = ?").bind(1, word).bind(2, run).run();
    transaction.commit();
}

std::vector<UnsettledWrite> JournalDb::unsettled(const std::string &tree,
                                                 const std::string &group) const {
    Statement last(db_, "SELECT id, pid, outcome FROM runs WHERE tree = ?1 COLLATE NOCASE AND "
                        "grp = ?2 COLLATE NOCASE ORDER BY id DESC LIMIT 1");
    last.bind(1, tree).bind(2, group);
    std::vector<UnsettledWrite> writes;
    if (!last.step() || (last.null(2) && ProcessAlive(last.integer(1))))
        return writes;
    const RunId run = last.integer(0);
    Statement pending(db_, "SELECT seq, name, action FROM changes WHERE run = ? AND outcome = "
                           "'pending' ORDER BY seq");
    pending.bind(1, run);
    while (pending.step())
        writes.push_back({run, static_cast<std::size_t>(pending.integer(0)), pending.text(1),
                          pending.text(2)});
    return writes;
}

void JournalDb::settle(const std::vector<Settlement> &settlements) {
    if (settlements.empty())
        return;
    Transaction transaction(db_);
    Statement change(db_, "UPDATE changes SET outcome = ?, sides = ? WHERE run = ? AND seq = ? "
                          "AND outcome = 'pending'");
    Statement run(db_, "UPDATE runs SET settled = ? WHERE id = ?");
    const auto now = static_cast<std::int64_t>(std::time(nullptr));
    for (const Settlement &settlement : settlements) {
        change.bind(1, settlement.outcome);
        if (settlement.sides.empty())
            change.bindNull(2);
        else
            change.bind(2, settlement.sides);
        change.bind(3, settlement.run).bind(4, static_cast<std::int64_t>(settlement.index)).run();
        run.bind(1, now).bind(2, settlement.run).run();
    }
    transaction.commit();
}

std::vector<RunRow> JournalDb::history(const HistoryFilter &filter) const {
    Statement runs(db_,
                   "SELECT id, time, tree, grp, identity, program, undoes, pid, outcome, "
                   "settled FROM runs "
                   "WHERE (?1 = '' OR tree = ?1 COLLATE NOCASE) AND (?2 = '' OR grp = ?2 COLLATE "
                   "NOCASE) AND time >= ?3 AND (?4 IS NULL OR id = ?4) AND (?5 = '' OR EXISTS "
                   "(SELECT 1 FROM changes c WHERE c.run = runs.id AND c.name = ?5 COLLATE "
                   "NOCASE)) ORDER BY id DESC");
    runs.bind(1, filter.tree).bind(2, filter.group).bind(3, std::int64_t{filter.since});
    if (filter.run)
        runs.bind(4, *filter.run);
    else
        runs.bindNull(4);
    runs.bind(5, filter.member);
    Statement changes(db_, "SELECT name, action, reason, outcome, status, sides FROM changes "
                           "WHERE run = "
                           "?1 AND (?2 = '' OR name = ?2 COLLATE NOCASE) ORDER BY seq");
    std::vector<RunRow> rows;
    while (runs.step()) {
        RunRow row;
        row.id = runs.integer(0);
        row.time = static_cast<std::time_t>(runs.integer(1));
        row.tree = runs.text(2);
        row.group = runs.text(3);
        row.identity = runs.text(4);
        row.program = runs.text(5);
        if (!runs.null(6))
            row.undoes = runs.integer(6);
        row.outcome = !runs.null(8)                   ? runs.text(8)
                      : ProcessAlive(runs.integer(7)) ? "running"
                                                      : "cut short";
        row.settled = static_cast<std::time_t>(runs.integer(9));
        changes.bind(1, row.id).bind(2, filter.member);
        while (changes.step())
            row.changes.push_back({changes.text(0), changes.text(1), changes.text(2),
                                   changes.text(3), static_cast<int>(changes.integer(4)),
                                   changes.text(5)});
        changes.reset();
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace tarnbeck::journal
