#include "platform/dsclient/embedded/sqlite_db.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace dsclient::embedded {

namespace {

// Long enough for another process's request to finish, short enough to report a stuck lock.
constexpr int kBusyTimeoutMs = 5000;

// The file name as an SQLite URI, every byte outside the plain path characters escaped.
std::string FileUri(const std::string &path, const char *query) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (unsigned char c : path) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '/' || c == '.' || c == '-' || c == '_' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri + "?" + query;
}

// Creates the file readable and writable by its owner only, whatever the umask. SQLite gives
// the store's -wal and -shm files the same mode.
Status CreatePrivateFile(const std::string &path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EEXIST                      ? status::EntryAlreadyExists
               : errno == ENOSPC || errno == EDQUOT ? status::InsufficientSpace
                                                    : status::ClientNotConfigured;
    const bool ok = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    if (!ok) {
        ::unlink(path.c_str());
        return status::ClientNotConfigured;
    }
    return status::Ok;
}

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
    const int rc = statement_ ? sqlite3_step(statement_) : prepareError_;
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE) {
        failed_ = true;
        error_ = rc;
        status_ = db_.StatusOf(rc);
        db_.lastFailure_ = status_;
    }
    return false;
}

std::int64_t Statement::Int(int column) const {
    return sqlite3_column_int64(statement_, column);
}

std::string Statement::Text(int column) const {
    return std::string(TextView(column));
}

std::string_view Statement::TextView(int column) const {
    const auto *text = sqlite3_column_text(statement_, column);
    return text ? std::string_view(
                      reinterpret_cast<const char *>(text),
                      static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                : std::string_view();
}

std::string Statement::Blob(int column) const {
    const void *data = sqlite3_column_blob(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return data ? std::string(static_cast<const char *>(data), static_cast<std::size_t>(size))
                : std::string();
}

std::string_view Statement::BlobView(int column) const {
    const void *data = sqlite3_column_blob(statement_, column);
    return data ? std::string_view(
                      static_cast<const char *>(data),
                      static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                : std::string_view();
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
    status_ = status::Ok;
}

Status Database::StatusOf(int sqliteError) const {
    switch (sqliteError & 0xff) {
    case SQLITE_OK:
        return status::Ok;
    case SQLITE_NOMEM:
        return status::NotEnoughMemory;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return status::DsLocked;
    case SQLITE_FULL:
        return status::InsufficientSpace;
    case SQLITE_IOERR:
        return IsOutOfSpace() ? status::InsufficientSpace : status::TransportFailure;
    case SQLITE_READONLY:
        return status::StoreReadOnly;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return status::InconsistentDatabase;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        return status::ClientNotConfigured;
    default: // the store cannot be reached
        return status::TransportFailure;
    }
}

// A write refused because the file may not grow (a quota, a file size limit) fails like a full
// disk, which SQLite itself reports as SQLITE_FULL. The cause is kept by the file that failed:
// the store or its write-ahead log.
bool Database::IsOutOfSpace() const {
    const int failure = sqlite3_extended_errcode(db_);
    if (failure != SQLITE_IOERR_WRITE && failure != SQLITE_IOERR_TRUNCATE &&
        failure != SQLITE_IOERR_SHMSIZE)
        return false;
    const int lastError = errno; // before the questions below can change it
    int storeError = 0, logError = 0;
    sqlite3_file_control(db_, "main", SQLITE_FCNTL_LAST_ERRNO, &storeError);
    sqlite3_file *log = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log) == SQLITE_OK && log &&
        log->pMethods)
        log->pMethods->xFileControl(log, SQLITE_FCNTL_LAST_ERRNO, &logError);
    const auto outOfSpace = [](int error) {
        return error == ENOSPC || error == EDQUOT || error == EFBIG;
    };
    if (storeError || logError)
        return outOfSpace(storeError) || outOfSpace(logError);
    // Neither failed: a statement's journal that outgrew memory went to a temporary file that
    // neither handle reaches, and only the error its write left behind tells why.
    return outOfSpace(lastError);
}

bool Database::IsConstraintError(int sqliteError) {
    return (sqliteError & 0xff) == SQLITE_CONSTRAINT;
}

bool Database::IsSchemaError(int sqliteError) {
    return (sqliteError & 0xff) == SQLITE_ERROR;
}

int Database::Changes() const {
    return sqlite3_changes(db_);
}

bool Database::readOnly() const {
    return sqlite3_db_readonly(db_, "main") == 1;
}

bool Database::InTransaction() const {
    return sqlite3_get_autocommit(db_) == 0;
}

bool Database::ChangedElsewhere() {
    auto select = Prepare("PRAGMA data_version");
    const std::int64_t version = select->Step() ? select->Int(0) : -1;
    const bool changed = version != dataVersion_ || version < 0;
    dataVersion_ = version;
    return changed;
}

namespace {

void KeyMatches(sqlite3_context *context, int, sqlite3_value **arguments) {
    const auto &test = static_cast<const Database::KeyTest *>(sqlite3_user_data(context));
    std::optional<std::string_view> key;
    if (sqlite3_value_type(arguments[0]) != SQLITE_NULL) {
        const auto *text = sqlite3_value_text(arguments[0]);
        key = std::string_view(reinterpret_cast<const char *>(text),
                               static_cast<std::size_t>(sqlite3_value_bytes(arguments[0])));
    }
    sqlite3_result_int(context, *test && (*test)(key) ? 1 : 0);
}

} // namespace

Status Database::Open(const std::string &path, Mode mode, std::unique_ptr<Database> &db) {
    if (mode == Mode::Create)
        if (const Status s = CreatePrivateFile(path); s != status::Ok)
            return s;
    // One thread uses a connection: SQLite need not lock around every call.
    int flags = SQLITE_OPEN_NOMUTEX |
                (mode == Mode::Create || mode == Mode::ReadWrite ? SQLITE_OPEN_READWRITE
                                                                 : SQLITE_OPEN_READONLY);
    std::string name = path;
    if (mode == Mode::Immutable) {
        name = FileUri(path, "immutable=1");
        flags |= SQLITE_OPEN_URI;
    }
    sqlite3 *handle = nullptr;
    const int rc = sqlite3_open_v2(name.c_str(), &handle, flags, nullptr);
    std::unique_ptr<Database> opened(new Database(handle)); // closes on every path
    if (rc != SQLITE_OK)
        return opened->StatusOf(rc);
    sqlite3_busy_timeout(handle, kBusyTimeoutMs);
    sqlite3_extended_result_codes(handle, 0);
    sqlite3_create_function_v2(handle, "key_matches", 1, SQLITE_UTF8 | SQLITE_DIRECTONLY,
                               &opened->keyTest_, KeyMatches, nullptr, nullptr, nullptr);
    if (const Status s = opened->Execute("PRAGMA foreign_keys=ON"); s != status::Ok)
        return s;
    // With a write-ahead log this keeps the file consistent on a crash; it only spares the
    // sync after every single request.
    if (const Status s = opened->Execute("PRAGMA synchronous=NORMAL"); s != status::Ok)
        return s;
    // Checkpoints cost a sync of both files: a walk of many small groups should meet few. The
    // log grows to 32 MiB before one, whatever the size of the store's pages; a file that cannot
    // tell its page size (not a database) is refused later, where it is read.
    std::int64_t pageSize = 4096;
    if (auto select = opened->Prepare("PRAGMA page_size"); select->Step())
        pageSize = std::max<std::int64_t>(select->Int(0), 512);
    const std::string checkpoint =
        "PRAGMA wal_autocheckpoint=" + std::to_string((std::int64_t{32} << 20) / pageSize);
    if (const Status s = opened->Execute(checkpoint.c_str()); s != status::Ok)
        return s;
    db = std::move(opened);
    return status::Ok;
}

Database::~Database() {
    // Statements must be finalised before the connection closes.
    statements_.clear();
    composed_.clear();
    sqlite3_close_v2(db_);
}

StatementUse Database::Cache(std::unique_ptr<Statement> &cached, const char *sql) {
    // A statement that failed to prepare (a busy or foreign file) is tried again next time.
    if (!cached || !cached->statement_) {
        sqlite3_stmt *statement = nullptr;
        const int rc =
            sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
        cached = std::make_unique<Statement>(*this, statement, rc);
    }
    return StatementUse(*cached);
}

StatementUse Database::Prepare(const char *sql) {
    return Cache(statements_[sql], sql);
}

StatementUse Database::PrepareComposed(const std::string &sql) {
    return Cache(composed_[sql], sql.c_str());
}

Status Database::Execute(const char *sql) {
    const Status s = StatusOf(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
    if (s != status::Ok)
        lastFailure_ = s;
    return s;
}

Status Database::Run(const char *sql) {
    auto statement = Prepare(sql);
    statement->Step();
    return statement->status();
}

std::int64_t Database::LastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

Status Database::BeginGroup() {
    if (groupOpen_ || (!batchOpen_ && InTransaction()))
        return status::InvalidRequest;
    if (batchOpen_ && !InTransaction())
        return BatchLost();
    if (const Status s = Run(batchOpen_ ? "SAVEPOINT request_group" : "BEGIN IMMEDIATE");
        s != status::Ok)
        return s;
    groupOpen_ = true;
    groupLost_ = status::Ok;
    return status::Ok;
}

Status Database::CommitGroup() {
    if (!groupOpen_)
        return status::InvalidRequest;
    groupOpen_ = false;
    Status s = groupLost_;
    if (batchOpen_) {
        if (s == status::Ok)
            s = Run("RELEASE request_group");
        if (s != status::Ok && InTransaction())
            DropBatchGroup();
        return s;
    }
    if (s == status::Ok)
        s = Run("COMMIT");
    if (s != status::Ok && InTransaction())
        Run("ROLLBACK");
    return s;
}

Status Database::RollbackGroup() {
    if (!groupOpen_)
        return status::InvalidRequest;
    groupOpen_ = false;
    if (!InTransaction())
        return status::Ok;
    return batchOpen_ ? DropBatchGroup() : Run("ROLLBACK");
}

Status Database::DropBatchGroup() {
    const Status s = Run("ROLLBACK TO request_group");
    Run("RELEASE request_group");
    return s;
}

Status Database::BatchLost() const {
    return lastFailure_ != status::Ok ? lastFailure_ : status::TransportFailure;
}

Status Database::BeginBatch() {
    if (batchOpen_ || groupOpen_ || InTransaction())
        return status::InvalidRequest;
    if (const Status s = Run("BEGIN IMMEDIATE"); s != status::Ok)
        return s;
    batchOpen_ = true;
    return status::Ok;
}

Status Database::EndBatch() {
    if (!batchOpen_ || groupOpen_)
        return status::InvalidRequest;
    batchOpen_ = false;
    if (!InTransaction())
        return BatchLost();
    const Status s = Run("COMMIT");
    if (s != status::Ok && InTransaction())
        Run("ROLLBACK");
    return s;
}

ReadTransaction::ReadTransaction(Database &db) : db_(db) {
    if (db_.InTransaction())
        return;
    status_ = db_.Run("BEGIN");
    open_ = status_ == status::Ok;
}

ReadTransaction::~ReadTransaction() {
    if (open_ && db_.Run("COMMIT") != status::Ok)
        db_.Run("ROLLBACK");
}

WriteTransaction::WriteTransaction(Database &db) : db_(db) {
    if (db_.groupOpen_ && db_.groupLost_ != status::Ok) {
        status_ = db_.groupLost_;
        return;
    }
    savepoint_ = db_.InTransaction();
    status_ = db_.Run(savepoint_ ? "SAVEPOINT request" : "BEGIN IMMEDIATE");
    open_ = status_ == status::Ok;
}

WriteTransaction::~WriteTransaction() {
    if (open_) {
        if (savepoint_) {
            db_.Run("ROLLBACK TO request");
            db_.Run("RELEASE request");
        } else {
            db_.Run("ROLLBACK");
        }
    }
    // SQLite drops a whole transaction on some failures (a full disk): the group is lost.
    if (db_.groupOpen_ && !db_.InTransaction() && db_.groupLost_ == status::Ok)
        db_.groupLost_ =
            db_.lastFailure_ != status::Ok ? db_.lastFailure_ : status::TransportFailure;
}

Status WriteTransaction::Commit() {
    if (!open_)
        return status_;
    status_ = db_.Run(savepoint_ ? "RELEASE request" : "COMMIT");
    if (status_ == status::Ok || !savepoint_) {
        if (status_ != status::Ok && db_.InTransaction())
            db_.Run("ROLLBACK");
        open_ = false;
    }
    return status_;
}

} // namespace dsclient::embedded
