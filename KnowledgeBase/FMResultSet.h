// FMResultSet: the rows of one query, read forward with `next`. Column reads by name answer
// the type's empty value (0, "", no data) for NULL or a missing column. A result set belongs to
// the database connection that made it and is used under that database's lock, on one thread
// at a time; it must not outlive its database.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Foundation/BVError.h"
#include "Foundation/BVValue.h"

struct sqlite3_stmt;
class FMDatabase;

class FMResultSet {
public:
    // Takes the statement; `cached` statements are reset, not finalised, on close.
    FMResultSet(sqlite3_stmt* statement, bool cached, std::shared_ptr<bool> inUse);
    ~FMResultSet();
    FMResultSet(const FMResultSet&) = delete;
    FMResultSet& operator=(const FMResultSet&) = delete;

    // Steps to the next row; false at the end or on an error (see `nextWithError`).
    bool next();
    bool nextWithError(BVError* error);
    void close();

    int columnIndexForName(const std::string& name) const;
    std::string stringForColumn(const std::string& name) const;
    std::optional<std::string> optionalStringForColumn(const std::string& name) const;
    int64_t longForColumn(const std::string& name) const;
    int intForColumn(const std::string& name) const { return int(longForColumn(name)); }
    bool boolForColumn(const std::string& name) const { return longForColumn(name) != 0; }
    std::optional<std::string> dataForColumn(const std::string& name) const;
    // Index forms, for queries whose column names repeat.
    std::string stringForColumnIndex(int index) const;
    int64_t longForColumnIndex(int index) const;
    bool columnIndexIsNull(int index) const;
    // The current row as column name -> value (integers, doubles, text, data, null).
    BVDictionary resultDictionary() const;

private:
    sqlite3_stmt* statement_;
    bool cached_;
    std::shared_ptr<bool> inUse_;
};

using FMResultSetPtr = std::unique_ptr<FMResultSet>;
