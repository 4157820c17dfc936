// A small RAII layer over SQLite's C API: a connection, prepared statements and transactions.
// Every failure throws SqliteError carrying SQLite's own message, so that a caller holding a
// Transaction can let the error pass and the transaction rolls back on its way out.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace veldrant::logbook::sql {

class SqliteError : public std::runtime_error {
public:
    SqliteError(int code, const std::string& what, int systemError = 0)
        : std::runtime_error(what), code_(code), systemError_(systemError) {}
    int Code() const { return code_; }  // the primary result code (SQLITE_BUSY, ...)
    bool Busy() const;
    // No room to write: SQLite's SQLITE_FULL, or an I/O error the system gave for a full disk
    // (growing a file by other means than a write) or a file size limit.
    bool Full() const;

private:
    int code_;
    int systemError_;
};

class Database {
public:
    enum class Mode { ReadOnly, ReadWrite, Create };

    // Opens `path` (UTF-8 on every platform). Waits up to `busyMs` for another writer.
    Database(const std::string& path, Mode mode, int busyMs = 5000);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* Handle() const { return db_; }
    // Called each time this connection has waited 100 ms for another one's lock and goes on
    // waiting (a short wait says nothing).
    void OnBusy(std::function<void()> notice) { notice_ = std::move(notice); }
    // Runs one or more statements without results.
    void Exec(std::string_view sql);
    // The first column of the first row as an integer (0 without a row).
    int64_t QueryInt(std::string_view sql);
    int64_t LastInsertId() const;
    int Changes() const;
    bool ReadOnly() const { return readOnly_; }
    // Copies the whole database into `path` through SQLite's backup API, page by page,
    // consistent even while another connection writes.
    void BackupTo(const std::string& path);

    [[noreturn]] void Fail(int code) const;

private:
    static int BusyHandler(void* self, int count);

    sqlite3* db_ = nullptr;
    bool readOnly_ = false;
    int busyMs_ = 0;
    std::function<void()> notice_;
};

class Statement {
public:
    Statement(Database& db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters count from 1, as SQLite counts them.
    Statement& Bind(int i, int64_t v);
    Statement& Bind(int i, int v) { return Bind(i, static_cast<int64_t>(v)); }
    Statement& Bind(int i, double v);
    Statement& Bind(int i, std::string_view text);
    Statement& BindBlob(int i, std::string_view bytes);
    Statement& BindNull(int i);

    // True while a row is there; false when the statement has run to its end.
    bool Step();
    // Steps to the end and resets, for statements without results.
    void Run();
    void Reset();

    bool IsNull(int col) const;
    int64_t Int(int col) const;
    double Real(int col) const;
    std::string Text(int col) const;
    std::string Blob(int col) const;

private:
    Database& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN IMMEDIATE on construction (the write lock is taken at once, so a second writer waits
// here rather than failing half way); ROLLBACK on destruction unless Commit was called.
class Transaction {
public:
    explicit Transaction(Database& db, bool write = true);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    Database& db_;
    bool open_ = true;
};

}  // namespace veldrant::logbook::sql
