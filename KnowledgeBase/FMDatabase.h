// FMDatabase: one SQLite connection (SQLCipher underneath) with positional arguments.
//
// Statements are prepared once and kept for the life of the connection, because the knowledge
// base runs the same few statements many thousands of times. Arguments are always bound by
// position; callers format text into SQL only through `sqlEscapedString`. Not thread-safe: the
// owner runs every statement sequence under the database's lock (see BVKnowledgeBase).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVError.h"
#include "Foundation/BVValue.h"
#include "KnowledgeBase/FMResultSet.h"

struct sqlite3;
struct sqlite3_stmt;

using FMArguments = std::vector<BVValue>;

class FMDatabase {
public:
    static std::shared_ptr<FMDatabase> databaseWithPath(const std::string& path);
    explicit FMDatabase(std::string path);
    virtual ~FMDatabase();
    FMDatabase(const FMDatabase&) = delete;
    FMDatabase& operator=(const FMDatabase&) = delete;

    const std::string& databasePath() const { return path_; }
    // Opens (creating the file when missing). Success says nothing about the contents: a wrong
    // key or a damaged file shows only at the first statement (see `goodConnection`).
    bool open();
    // Opens without creating the file.
    bool openReadWriteExisting();
    // Opens with SQLite's open flags and, when given, a VFS by name ("unix-none" reads without
    // taking file locks).
    bool openWithFlags(int flags, const std::string& vfs = {});
    // How long a statement waits for another connection's lock before it fails with
    // SQLITE_BUSY; 0 fails at once. Applies now and to later opens (2 seconds by default).
    void setMaxBusyRetryTimeInterval(double seconds);
    bool close();
    bool isOpen() const { return db_ != nullptr; }
    // True when a statement on the schema succeeds.
    bool goodConnection();
    // Passes an encryption key right after opening.
    bool setKey(const std::string& key);

    bool beginTransaction();
    bool commit();
    bool rollback();
    bool inTransaction() const { return inTransaction_; }

    // Runs a statement that returns no rows; answers success.
    bool executeUpdate(const std::string& sql, const FMArguments& arguments = {});
    // Runs every statement of `sql` in order (no arguments, rows ignored), stopping at the first
    // that fails; answers success.
    bool executeStatements(const std::string& sql);
    // Runs a query; none when it cannot be prepared or an argument cannot be bound.
    FMResultSetPtr executeQuery(const std::string& sql, const FMArguments& arguments = {});
    // The first column of the first row, or none.
    std::optional<std::string> stringForQuery(const std::string& sql, const FMArguments& arguments = {});
    int64_t longForQuery(const std::string& sql, const FMArguments& arguments = {});
    int intForQuery(const std::string& sql, const FMArguments& arguments = {}) {
        return int(longForQuery(sql, arguments));
    }
    int64_t lastInsertRowId() const;
    int64_t changes() const;

    int lastErrorCode() const;
    std::string lastErrorMessage() const;
    // The last error as an error value (domain "FMDatabase", SQLite's result code, its message);
    // none when the last call succeeded.
    std::optional<BVError> lastError() const;

private:
    sqlite3_stmt* prepare(const std::string& sql, bool& cached, std::shared_ptr<bool>& inUse);
    bool bind(sqlite3_stmt* statement, const FMArguments& arguments);

    struct Cached {
        sqlite3_stmt* statement = nullptr;
        std::shared_ptr<bool> inUse;
    };
    std::string path_;
    sqlite3* db_ = nullptr;
    int busyTimeoutMilliseconds_ = 2000;
    bool inTransaction_ = false;
    std::map<std::string, Cached> statements_;
};

using FMDatabasePtr = std::shared_ptr<FMDatabase>;

// Text formatted into SQL: every "'" doubled.
std::string sqlEscapedString(const std::string& text);
