#pragma once

// A thin RAII layer over SQLite: one connection, prepared statements cached by their text,
// bound parameters only, transactions that read one state of the file or write whole, and the
// directory status for every SQLite failure.

#include "platform/dsclient/status.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace dsclient::embedded {

class Database;

class Statement {
  public:
    // A statement that failed to prepare reports `prepareError` from every Step.
    Statement(Database &db, sqlite3_stmt *statement, int prepareError)
        : db_(db), statement_(statement), prepareError_(prepareError) {}
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void Bind(int index, std::int64_t value);
    void Bind(int index, std::string_view text);
    void BindBlob(int index, std::string_view bytes);
    void BindNull(int index);
    // True while a row is available; false at the end. Errors end the walk and are kept.
    bool Step();
    bool failed() const { return failed_; }
    int error() const { return error_; }
    // Ok, or the directory status of the failure that ended the walk.
    Status status() const { return status_; }

    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    std::string_view TextView(int column) const; // valid until the next Step
    std::string Blob(int column) const;
    std::string_view BlobView(int column) const; // valid until the next Step
    bool IsNull(int column) const;

  private:
    friend class StatementUse;
    friend class Database;
    void Reset();
    Database &db_;
    sqlite3_stmt *statement_;
    int prepareError_;
    bool failed_ = false;
    int error_ = 0;
    Status status_ = status::Ok;
};

// Hands out a cached statement and resets it (bindings cleared) when the use ends.
class StatementUse {
  public:
    explicit StatementUse(Statement &statement) : statement_(statement) {}
    ~StatementUse() { statement_.Reset(); }
    StatementUse(const StatementUse &) = delete;
    StatementUse &operator=(const StatementUse &) = delete;
    Statement *operator->() { return &statement_; }
    Statement &operator*() { return statement_; }

  private:
    Statement &statement_;
};

class Database {
  public:
    enum class Mode {
        Create,    // a new file, readable by its owner only
        ReadWrite, // an existing file (read-only when the file cannot be written)
        ReadOnly,  // an existing file, never written
        Immutable, // an existing file nobody can change (no write-ahead log beside it)
    };
    static Status Open(const std::string &path, Mode mode, std::unique_ptr<Database> &db);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // A cached prepared statement; its text must be a constant of the caller.
    StatementUse Prepare(const char *sql);
    // The same for a text put together from constant pieces (still with bound values only).
    StatementUse PrepareComposed(const std::string &sql);
    // Runs statements without parameters (schema set-up, pragmas).
    Status Execute(const char *sql);
    std::int64_t LastInsertId() const;
    int Changes() const;
    bool readOnly() const;
    bool InTransaction() const;
    bool InGroup() const { return groupOpen_ && groupLost_ == status::Ok; }
    // Changes by other connections since the last call.
    bool ChangedElsewhere();
    // The directory status for a failed SQLite call.
    Status StatusOf(int sqliteError) const;
    static bool IsConstraintError(int sqliteError);
    // A statement the file's schema cannot run (a table that is not there).
    static bool IsSchemaError(int sqliteError);

    // The SQL function key_matches(key) answers whether an index key passes the test in force
    // (the key is absent for values that have none), so a statement can leave out what a filter
    // refuses before it reads any further. Without a test in force nothing passes.
    using KeyTest = std::function<bool(std::optional<std::string_view> key)>;
    class KeyTestScope {
      public:
        KeyTestScope(Database &db, KeyTest test) : db_(db) { db_.keyTest_ = std::move(test); }
        ~KeyTestScope() { db_.keyTest_ = nullptr; }
        KeyTestScope(const KeyTestScope &) = delete;
        KeyTestScope &operator=(const KeyTestScope &) = delete;

      private:
        Database &db_;
    };

    // A group of requests: one transaction that holds the write lock from its start. Groups do
    // not nest. A request failing inside the group rolls back alone; a failure that makes SQLite
    // drop the whole transaction (a full disk) fails every later request of the group and its
    // commit, so nothing of the group is applied piecemeal.
    Status BeginGroup();
    Status CommitGroup();
    Status RollbackGroup();
    // A batch of groups: one transaction across many groups, each group a savepoint in it, so
    // the pages the groups share are written once a batch rather than once a group. A group
    // rolled back goes alone; a failure that makes SQLite drop the transaction loses the whole
    // batch (each group whole), and EndBatch reports it. Batches do not nest.
    Status BeginBatch();
    Status EndBatch();

  private:
    friend class Statement;
    friend class ReadTransaction;
    friend class WriteTransaction;
    explicit Database(sqlite3 *db) : db_(db) {}
    Status Run(const char *sql); // one cached statement without parameters, stepped once
    bool IsOutOfSpace() const;
    Status DropBatchGroup();    // rolls the open group of a batch back to where it began
    Status BatchLost() const;   // why a batch's transaction is gone
    StatementUse Cache(std::unique_ptr<Statement> &cached, const char *sql);

    sqlite3 *db_;
    std::map<const char *, std::unique_ptr<Statement>> statements_;
    std::map<std::string, std::unique_ptr<Statement>> composed_;
    KeyTest keyTest_;
    bool groupOpen_ = false;
    bool batchOpen_ = false;
    Status groupLost_ = status::Ok; // why the group's transaction is gone
    Status lastFailure_ = status::Ok;
    std::int64_t dataVersion_ = -1;
};

// The reads of one request see one state of the tree and take the file's locks once. Inside a
// transaction (a group) it adds nothing.
class ReadTransaction {
  public:
    explicit ReadTransaction(Database &db);
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction &) = delete;
    ReadTransaction &operator=(const ReadTransaction &) = delete;
    Status status() const { return status_; }

  private:
    Database &db_;
    bool open_ = false;
    Status status_ = status::Ok;
};

// One write request, applied whole by Commit or not at all. Outside a group it is a transaction
// that takes the write lock when it starts, so a busy store is waited for (a read upgraded to a
// write would fail at once); inside a group a savepoint, so the request rolls back alone.
class WriteTransaction {
  public:
    explicit WriteTransaction(Database &db);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;
    Status status() const { return status_; }
    Status Commit();

  private:
    Database &db_;
    bool open_ = false;
    bool savepoint_ = false;
    Status status_ = status::Ok;
};

} // namespace dsclient::embedded
