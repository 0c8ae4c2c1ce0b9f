#include "KnowledgeBase/FMDatabase.h"

#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

std::shared_ptr<FMDatabase> FMDatabase::databaseWithPath(const std::string& path) {
    return std::make_shared<FMDatabase>(path);
}

FMDatabase::FMDatabase(std::string path) : path_(std::move(path)) {}

FMDatabase::~FMDatabase() { close(); }

bool FMDatabase::openWithFlags(int flags, const std::string& vfs) {
    if (db_) return true;
    const std::string& file = path_.empty() ? std::string(":memory:") : path_;
    int rc = sqlite3_open_v2(file.c_str(), &db_, flags | SQLITE_OPEN_FULLMUTEX, vfs.empty() ? nullptr : vfs.c_str());
    if (rc != SQLITE_OK) {
        sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    sqlite3_busy_timeout(db_, busyTimeoutMilliseconds_);
    return true;
}

void FMDatabase::setMaxBusyRetryTimeInterval(double seconds) {
    busyTimeoutMilliseconds_ = seconds <= 0 ? 0 : int(seconds * 1000);
    if (db_) sqlite3_busy_timeout(db_, busyTimeoutMilliseconds_);
}

bool FMDatabase::open() { return openWithFlags(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE); }

bool FMDatabase::openReadWriteExisting() { return openWithFlags(SQLITE_OPEN_READWRITE); }

bool FMDatabase::close() {
    if (!db_) return true;
    for (auto& [sql, cached] : statements_) sqlite3_finalize(cached.statement);
    statements_.clear();
    int rc = sqlite3_close(db_);
    if (rc != SQLITE_OK) return false;
    db_ = nullptr;
    inTransaction_ = false;
    return true;
}

bool FMDatabase::goodConnection() {
    if (!db_) return false;
    auto rows = executeQuery("SELECT name FROM sqlite_master WHERE type='table'");
    if (!rows) return false;
    BVError error;
    rows->nextWithError(&error);
    return error.code() == 0;
}

bool FMDatabase::setKey(const std::string& key) {
    if (!db_) return false;
    return sqlite3_key(db_, key.data(), int(key.size())) == SQLITE_OK;
}

bool FMDatabase::beginTransaction() {
    if (!executeUpdate("BEGIN EXCLUSIVE TRANSACTION")) return false;
    inTransaction_ = true;
    return true;
}

bool FMDatabase::commit() {
    if (!executeUpdate("COMMIT TRANSACTION")) return false;
    inTransaction_ = false;
    return true;
}

bool FMDatabase::rollback() {
    bool ok = executeUpdate("ROLLBACK TRANSACTION");
    inTransaction_ = false;
    return ok;
}

sqlite3_stmt* FMDatabase::prepare(const std::string& sql, bool& cached, std::shared_ptr<bool>& inUse) {
    if (!db_) return nullptr;
    auto found = statements_.find(sql);
    if (found != statements_.end() && !*found->second.inUse) {
        cached = true;
        inUse = found->second.inUse;
        *inUse = true;
        return found->second.statement;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), int(sql.size()), &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    if (found == statements_.end()) {
        // Kept for reuse; a second use while the first is still open gets its own statement.
        Cached entry{statement, std::make_shared<bool>(true)};
        statements_.emplace(sql, entry);
        cached = true;
        inUse = entry.inUse;
    } else {
        cached = false;
    }
    return statement;
}

bool FMDatabase::bind(sqlite3_stmt* statement, const FMArguments& arguments) {
    if (int(arguments.size()) != sqlite3_bind_parameter_count(statement)) return false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        int index = int(i) + 1;
        const BVValue& a = arguments[i];
        int rc = SQLITE_OK;
        if (a.isNull()) {
            rc = sqlite3_bind_null(statement, index);
        } else if (a.isBool() || a.isInteger()) {
            rc = sqlite3_bind_int64(statement, index, a.int64Value());
        } else if (a.isNumber()) {
            rc = sqlite3_bind_double(statement, index, a.doubleValue());
        } else if (a.isString()) {
            const std::string& s = std::get<std::string>(a.storage());
            rc = sqlite3_bind_text(statement, index, s.data(), int(s.size()), SQLITE_TRANSIENT);
        } else if (const BVData* data = a.dataValue()) {
            rc = sqlite3_bind_blob(statement, index, data->bytes.data(), int(data->bytes.size()), SQLITE_TRANSIENT);
        } else {
            return false;
        }
        if (rc != SQLITE_OK) return false;
    }
    return true;
}

FMResultSetPtr FMDatabase::executeQuery(const std::string& sql, const FMArguments& arguments) {
    bool cached = false;
    std::shared_ptr<bool> inUse;
    sqlite3_stmt* statement = prepare(sql, cached, inUse);
    if (!statement) return nullptr;
    auto rows = std::make_unique<FMResultSet>(statement, cached, inUse);
    if (!bind(statement, arguments)) return nullptr;
    return rows;
}

bool FMDatabase::executeUpdate(const std::string& sql, const FMArguments& arguments) {
    bool cached = false;
    std::shared_ptr<bool> inUse;
    sqlite3_stmt* statement = prepare(sql, cached, inUse);
    if (!statement) return false;
    FMResultSet holder(statement, cached, inUse);
    if (!bind(statement, arguments)) return false;
    int rc = sqlite3_step(statement);
    return rc == SQLITE_DONE || rc == SQLITE_ROW;
}

bool FMDatabase::executeStatements(const std::string& sql) {
    if (!db_) return false;
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<std::string> FMDatabase::stringForQuery(const std::string& sql, const FMArguments& arguments) {
    auto rows = executeQuery(sql, arguments);
    if (!rows || !rows->next() || rows->columnIndexIsNull(0)) return std::nullopt;
    return rows->stringForColumnIndex(0);
}

int64_t FMDatabase::longForQuery(const std::string& sql, const FMArguments& arguments) {
    auto rows = executeQuery(sql, arguments);
    if (!rows || !rows->next()) return 0;
    return rows->longForColumnIndex(0);
}

int64_t FMDatabase::lastInsertRowId() const { return db_ ? sqlite3_last_insert_rowid(db_) : 0; }

int64_t FMDatabase::changes() const { return db_ ? sqlite3_changes(db_) : 0; }

int FMDatabase::lastErrorCode() const { return db_ ? sqlite3_errcode(db_) : SQLITE_MISUSE; }

std::string FMDatabase::lastErrorMessage() const { return db_ ? sqlite3_errmsg(db_) : "not open"; }

std::optional<BVError> FMDatabase::lastError() const {
    int code = lastErrorCode();
    if (code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE) return std::nullopt;
    return BVError::withDescription("FMDatabase", code, lastErrorMessage());
}

std::string sqlEscapedString(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}
