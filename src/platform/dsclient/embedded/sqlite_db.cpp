#include "platform/dsclient/embedded/sqlite_db.h"

#include <sqlite3.h>

namespace dsclient::embedded {

namespace {
// Long enough for another process's request to finish, short enough to report a stuck lock.
constexpr int kBusyTimeoutMs = 5000;
} // namespace

Statement::~Statement() {
    sqlite3_finalize(statement_);
}

void Statement::Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(statement_, index, value);
}

void Statement::Bind(int index, std::string_view text) {
    sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

void Statement::BindBlob(int index, std::string_view bytes) {
    // An empty blob must not turn into NULL.
    static const char empty = 0;
    sqlite3_bind_blob(statement_, index, bytes.empty() ? &empty : bytes.data(),
                      static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

void Statement::BindNull(int index) {
    sqlite3_bind_null(statement_, index);
}

bool Statement::Step() {
    if (!statement_) {
        failed_ = true;
        error_ = prepareError_;
        return false;
    }
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE) {
        failed_ = true;
        error_ = rc;
    }
    return false;
}

std::int64_t Statement::Int(int column) const {
    return sqlite3_column_int64(statement_, column);
}

std::string Statement::Text(int column) const {
    const auto *text = sqlite3_column_text(statement_, column);
    return text ? std::string(reinterpret_cast<const char *>(text),
                              static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                : std::string();
}

std::string Statement::Blob(int column) const {
    const void *data = sqlite3_column_blob(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return data ? std::string(static_cast<const char *>(data), static_cast<std::size_t>(size))
                : std::string();
}

bool Statement::IsNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

void Statement::Reset() {
    if (statement_) {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    failed_ = false;
    error_ = 0;
}

Status Database::StatusOf(int sqliteError) {
    switch (sqliteError & 0xff) {
    case SQLITE_OK:
        return status::Ok;
    case SQLITE_NOMEM:
        return status::NotEnoughMemory;
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_PERM:
    case SQLITE_READONLY:
        return status::ClientNotConfigured;
    default: // busy past the timeout, I/O errors: the "server" cannot be reached
        return status::TransportFailure;
    }
}

bool Database::IsBusy(int sqliteError) {
    return (sqliteError & 0xff) == SQLITE_BUSY || (sqliteError & 0xff) == SQLITE_LOCKED;
}

int Database::Changes() const {
    return sqlite3_changes(db_);
}

Status Database::Open(const std::string &path, bool create, std::unique_ptr<Database> &db) {
    sqlite3 *handle = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.c_str(), &handle, flags, nullptr);
    std::unique_ptr<Database> opened(new Database(handle)); // closes on every path
    if (rc != SQLITE_OK)
        return StatusOf(rc);
    sqlite3_busy_timeout(handle, kBusyTimeoutMs);
    sqlite3_extended_result_codes(handle, 0);
    if (const Status s = opened->Execute("PRAGMA foreign_keys=ON"); s != status::Ok)
        return s;
    // With a write-ahead log this keeps the file consistent on a crash; it only spares the
    // sync after every single request.
    if (const Status s = opened->Execute("PRAGMA synchronous=NORMAL"); s != status::Ok)
        return s;
    db = std::move(opened);
    return status::Ok;
}

Database::~Database() {
    statements_.clear(); // statements must be finalised before the connection closes
    sqlite3_close_v2(db_);
}

StatementUse Database::Prepare(const char *sql) {
    auto &cached = statements_[sql];
    // A statement that failed to prepare (a busy or foreign file) is tried again next time.
    if (!cached || !cached->statement_) {
        sqlite3_stmt *statement = nullptr;
        const int rc =
            sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
        cached = std::make_unique<Statement>(statement, rc);
    }
    return StatementUse(*cached);
}

Status Database::Execute(const char *sql) {
    return StatusOf(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

std::int64_t Database::LastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

Transaction::Transaction(Database &db) : db_(db) {
    status_ = db_.Execute("SAVEPOINT request");
    open_ = status_ == status::Ok;
}

Transaction::~Transaction() {
    if (open_) {
        db_.Execute("ROLLBACK TO request");
        db_.Execute("RELEASE request");
    }
}

Status Transaction::Commit() {
    if (!open_)
        return status_;
    status_ = db_.Execute("RELEASE request");
    open_ = status_ != status::Ok;
    return status_;
}

} // namespace dsclient::embedded
