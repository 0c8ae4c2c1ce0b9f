#include "KnowledgeBase/FMResultSet.h"

#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

#include <strings.h>

FMResultSet::FMResultSet(sqlite3_stmt* statement, bool cached, std::shared_ptr<bool> inUse)
    : statement_(statement), cached_(cached), inUse_(std::move(inUse)) {}

FMResultSet::~FMResultSet() { close(); }

void FMResultSet::close() {
    if (!statement_) return;
    if (cached_) {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
        if (inUse_) *inUse_ = false;
    } else {
        sqlite3_finalize(statement_);
    }
    statement_ = nullptr;
}

bool FMResultSet::next() { return nextWithError(nullptr); }

bool FMResultSet::nextWithError(BVError* error) {
    if (!statement_) return false;
    int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) {
        sqlite3* db = sqlite3_db_handle(statement_);
        BVSetError(error, BVError::withDescription("FMDatabase", rc, sqlite3_errmsg(db)));
    }
    close();
    return false;
}

int FMResultSet::columnIndexForName(const std::string& name) const {
    if (!statement_) return -1;
    int count = sqlite3_column_count(statement_);
    for (int i = 0; i < count; ++i) {
        const char* column = sqlite3_column_name(statement_, i);
        if (column && ::strcasecmp(column, name.c_str()) == 0) return i;
    }
    return -1;
}

std::string FMResultSet::stringForColumnIndex(int index) const {
    if (!statement_ || index < 0) return {};
    const unsigned char* text = sqlite3_column_text(statement_, index);
    if (!text) return {};
    return std::string(reinterpret_cast<const char*>(text), size_t(sqlite3_column_bytes(statement_, index)));
}

int64_t FMResultSet::longForColumnIndex(int index) const {
    if (!statement_ || index < 0) return 0;
    return sqlite3_column_int64(statement_, index);
}

bool FMResultSet::columnIndexIsNull(int index) const {
    return !statement_ || index < 0 || sqlite3_column_type(statement_, index) == SQLITE_NULL;
}

std::string FMResultSet::stringForColumn(const std::string& name) const {
    return stringForColumnIndex(columnIndexForName(name));
}

std::optional<std::string> FMResultSet::optionalStringForColumn(const std::string& name) const {
    int index = columnIndexForName(name);
    if (columnIndexIsNull(index)) return std::nullopt;
    return stringForColumnIndex(index);
}

int64_t FMResultSet::longForColumn(const std::string& name) const {
    return longForColumnIndex(columnIndexForName(name));
}

std::optional<std::string> FMResultSet::dataForColumn(const std::string& name) const {
    int index = columnIndexForName(name);
    if (columnIndexIsNull(index)) return std::nullopt;
    const void* blob = sqlite3_column_blob(statement_, index);
    int bytes = sqlite3_column_bytes(statement_, index);
    return std::string(static_cast<const char*>(blob), blob ? size_t(bytes) : 0);
}

BVDictionary FMResultSet::resultDictionary() const {
    BVDictionary row;
    if (!statement_) return row;
    int count = sqlite3_column_count(statement_);
    for (int i = 0; i < count; ++i) {
        std::string name = sqlite3_column_name(statement_, i);
        switch (sqlite3_column_type(statement_, i)) {
        case SQLITE_INTEGER: row[name] = BVValue(int64_t(sqlite3_column_int64(statement_, i))); break;
        case SQLITE_FLOAT: row[name] = BVValue(sqlite3_column_double(statement_, i)); break;
        case SQLITE_TEXT: row[name] = BVValue(stringForColumnIndex(i)); break;
        case SQLITE_BLOB: {
            const void* blob = sqlite3_column_blob(statement_, i);
            int bytes = sqlite3_column_bytes(statement_, i);
            row[name] = BVValue(BVData{std::string(static_cast<const char*>(blob), blob ? size_t(bytes) : 0)});
            break;
        }
        default: row[name] = BVValue(BVNull{}); break;
        }
    }
    return row;
}
