#include "logbook/Sqlite.h"

#include <sqlite3.h>

#include "platform/File.h"

namespace veldrant::logbook::sql {

bool SqliteError::Busy() const {
    return code_ == SQLITE_BUSY || code_ == SQLITE_LOCKED;
}

bool SqliteError::Full() const {
    return code_ == SQLITE_FULL || (code_ == SQLITE_IOERR && platform::NoRoomError(systemError_));
}

Database::Database(const std::string& path, Mode mode, int busyMs)
    : readOnly_(mode == Mode::ReadOnly), busyMs_(busyMs) {
    int flags = mode == Mode::ReadOnly    ? SQLITE_OPEN_READONLY
                : mode == Mode::ReadWrite ? SQLITE_OPEN_READWRITE
                                          : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    int rc = sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw SqliteError(rc & 0xFF, message);
    }
    sqlite3_extended_result_codes(db_, 0);
    sqlite3_busy_handler(db_, &Database::BusyHandler, this);
}

int Database::BusyHandler(void* self, int count) {
    auto* db = static_cast<Database*>(self);
    constexpr int kStepMs = 20;
    constexpr int kNoticeAfter = 100 / kStepMs;
    if (count * kStepMs >= db->busyMs_)
        return 0;
    // SQLite counts from 0 again for every wait.
    if (count == kNoticeAfter && db->notice_)
        db->notice_();
    sqlite3_sleep(kStepMs);
    return 1;
}

Database::~Database() {
    sqlite3_close_v2(db_);
}

void Database::Fail(int code) const {
    throw SqliteError(code & 0xFF, sqlite3_errmsg(db_), sqlite3_system_errno(db_));
}

void Database::Exec(std::string_view sql) {
    std::string text(sql);
    char* message = nullptr;
    int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        std::string why = message ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
        throw SqliteError(rc & 0xFF, why, sqlite3_system_errno(db_));
    }
}

int64_t Database::QueryInt(std::string_view sql) {
    Statement s(*this, sql);
    return s.Step() ? s.Int(0) : 0;
}

int64_t Database::LastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

int Database::Changes() const {
    return sqlite3_changes(db_);
}

void Database::BackupTo(const std::string& path) {
    sqlite3* to = nullptr;
    int rc =
        sqlite3_open_v2(path.c_str(), &to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = to ? sqlite3_errmsg(to) : sqlite3_errstr(rc);
        sqlite3_close(to);
        throw SqliteError(rc & 0xFF, path + ": " + message);
    }
    sqlite3_backup* b = sqlite3_backup_init(to, "main", db_, "main");
    if (!b) {
        std::string message = sqlite3_errmsg(to);
        sqlite3_close(to);
        throw SqliteError(SQLITE_ERROR, message);
    }
    // All pages in one step: the copy is one snapshot of the source. A lock held too long has
    // already been waited for by the source's busy handler.
    rc = sqlite3_backup_step(b, -1);
    sqlite3_backup_finish(b);
    std::string message = rc == SQLITE_DONE ? "" : sqlite3_errmsg(to);
    const int system = sqlite3_system_errno(to);
    sqlite3_close(to);
    if (rc != SQLITE_DONE)
        throw SqliteError(rc & 0xFF,
                          path + ": " + (message == "not an error" ? sqlite3_errstr(rc) : message),
                          system);
}

Statement::Statement(Database& db, std::string_view sql) : db_(db) {
    int rc =
        sqlite3_prepare_v2(db.Handle(), sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK)
        db.Fail(rc);
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement& Statement::Bind(int i, int64_t v) {
    if (int rc = sqlite3_bind_int64(stmt_, i, v); rc != SQLITE_OK)
        db_.Fail(rc);
    return *this;
}

Statement& Statement::Bind(int i, double v) {
    if (int rc = sqlite3_bind_double(stmt_, i, v); rc != SQLITE_OK)
        db_.Fail(rc);
    return *this;
}

Statement& Statement::Bind(int i, std::string_view text) {
    if (int rc = sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()),
                                   SQLITE_TRANSIENT);
        rc != SQLITE_OK)
        db_.Fail(rc);
    return *this;
}

Statement& Statement::BindBlob(int i, std::string_view bytes) {
    if (int rc = sqlite3_bind_blob(stmt_, i, bytes.data(), static_cast<int>(bytes.size()),
                                   SQLITE_TRANSIENT);
        rc != SQLITE_OK)
        db_.Fail(rc);
    return *this;
}

Statement& Statement::BindNull(int i) {
    if (int rc = sqlite3_bind_null(stmt_, i); rc != SQLITE_OK)
        db_.Fail(rc);
    return *this;
}

bool Statement::Step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(stmt_);
    db_.Fail(rc);
}

void Statement::Run() {
    while (Step()) {
    }
    Reset();
}

void Statement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

bool Statement::IsNull(int col) const {
    return sqlite3_column_type(stmt_, col) == SQLITE_NULL;
}

int64_t Statement::Int(int col) const {
    return sqlite3_column_int64(stmt_, col);
}

double Statement::Real(int col) const {
    return sqlite3_column_double(stmt_, col);
}

std::string Statement::Text(int col) const {
    const unsigned char* p = sqlite3_column_text(stmt_, col);
    return p ? std::string(reinterpret_cast<const char*>(p),
                           static_cast<size_t>(sqlite3_column_bytes(stmt_, col)))
             : std::string();
}

std::string Statement::Blob(int col) const {
    const void* p = sqlite3_column_blob(stmt_, col);
    return p ? std::string(static_cast<const char*>(p),
                           static_cast<size_t>(sqlite3_column_bytes(stmt_, col)))
             : std::string();
}

Transaction::Transaction(Database& db, bool write) : db_(db) {
    db_.Exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
}

Transaction::~Transaction() {
    if (open_) {
        try {
            db_.Exec("ROLLBACK");
        } catch (const SqliteError&) {
            // SQLite has rolled back on its own (a full disk, an I/O error).
        }
    }
}

void Transaction::Commit() {
    db_.Exec("COMMIT");
    open_ = false;
}

}  // namespace veldrant::logbook::sql
