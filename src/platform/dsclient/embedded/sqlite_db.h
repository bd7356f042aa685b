#pragma once

// A thin RAII layer over SQLite: one connection, prepared statements cached by their text,
// bound parameters only, and a transaction guard that rolls back unless committed.

#include "platform/dsclient/status.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace dsclient::embedded {

class Statement {
  public:
    // A statement that failed to prepare reports `prepareError` from every Step.
    Statement(sqlite3_stmt *statement, int prepareError)
        : statement_(statement), prepareError_(prepareError) {}
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

    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    std::string Blob(int column) const;
    bool IsNull(int column) const;

  private:
    friend class StatementUse;
    friend class Database;
    void Reset();
    sqlite3_stmt *statement_;
    int prepareError_;
    bool failed_ = false;
    int error_ = 0;
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
    // Opens an existing file (never creates one) or, with `create`, a new one.
    static Status Open(const std::string &path, bool create, std::unique_ptr<Database> &db);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // A cached prepared statement; its text must be a constant of the caller.
    StatementUse Prepare(const char *sql);
    // Runs statements without parameters (schema set-up, pragmas).
    Status Execute(const char *sql);
    std::int64_t LastInsertId() const;
    // The directory status for a failed SQLite call.
    static Status StatusOf(int sqliteError);
    static bool IsBusy(int sqliteError);
    int Changes() const;

  private:
    explicit Database(sqlite3 *db) : db_(db) {}
    sqlite3 *db_;
    std::map<const char *, std::unique_ptr<Statement>> statements_;
};

// One request's changes: applied whole by Commit or not at all. A savepoint, so a request
// inside an administration batch still rolls back alone.
class Transaction {
  public:
    explicit Transaction(Database &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    Status status() const { return status_; }
    Status Commit();

  private:
    Database &db_;
    bool open_ = false;
    Status status_ = status::Ok;
};

} // namespace dsclient::embedded
