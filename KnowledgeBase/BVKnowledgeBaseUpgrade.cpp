// Brings an older user knowledge base to version "2.0.1": the gray-item scanner fix of versions
// before "1.5", the AdditionalInfo column, and the split of old scanner bit masks into one row
// per scanner identifier. Individual failures do not stop the upgrade; the version is written at
// the end in any case, so a database is never upgraded twice.
#include "Foundation/BVVersionComparator.h"
#include "KnowledgeBase/BVKnowledgeBase.h"

namespace {

constexpr int64_t kOldApplicationsMask = 536871952;

bool lowerThan(const std::string& version, const char* other) {
    return BVVersionComparator::compareVersion(version, other) == BVComparisonResult::Ascending;
}

void copyNotes(FMDatabase& db, int64_t from, int64_t to) {
    std::vector<int64_t> types;
    if (auto rows = db.executeQuery("SELECT * FROM FileNote WHERE File = ?", {from}))
        while (rows->next()) types.push_back(rows->longForColumn("Type"));
    for (int64_t type : types) db.executeUpdate("INSERT INTO FileNote (File, Type) VALUES (?, ?)", {to, type});
    std::vector<int64_t> applications;
    if (auto rows = db.executeQuery("SELECT * FROM AppNote WHERE FileItem = ?", {from}))
        while (rows->next()) applications.push_back(rows->longForColumn("Application"));
    for (int64_t application : applications)
        db.executeUpdate("INSERT INTO AppNote (Application, FileItem) VALUES (?, ?)", {application, to});
}

struct OldRow {
    int64_t record;
    int64_t itemType;
    BVValue value;
    int64_t isRegex;
    uint64_t scanner;
    BVValue additionalInfo;
};

void splitMultiScannerRows(FMDatabase& db) {
    int64_t last = db.longForQuery("SELECT RecordID FROM Item ORDER BY RecordID DESC LIMIT 1");
    if (!db.beginTransaction()) return;
    // Rows are read first: the walk inserts into the table it reads, and the new rows (above
    // `last`) must not be visited.
    std::vector<OldRow> rows;
    if (auto result = db.executeQuery("SELECT * FROM Item ORDER BY RecordID ASC")) {
        while (result->next()) {
            BVDictionary row = result->resultDictionary();
            int64_t record = row["RecordID"].int64Value();
            if (record > last) break;
            rows.push_back({record, row["ItemType"].int64Value(), row["Value"], row["IsRegEx"].int64Value(),
                            row["Scanner"].uint64Value(), row["AdditionalInfo"]});
        }
    }
    for (const OldRow& row : rows) {
        BVScannerSet identifiers = BVScannerIdentifiers::identifiersForOldScannerMask(row.scanner);
        if (identifiers.empty()) {
            db.executeUpdate("DELETE FROM Item WHERE RecordID = ?", {row.record});
            db.executeUpdate("DELETE FROM FileNote WHERE File = ?", {row.record});
            db.executeUpdate("DELETE FROM AppNote WHERE FileItem = ?", {row.record});
            continue;
        }
        if (identifiers.size() == 1 && *identifiers.begin() == row.scanner) continue;
        auto it = identifiers.begin();
        db.executeUpdate("UPDATE Item SET Scanner = ? WHERE RecordID = ?", {int64_t(*it), row.record});
        for (++it; it != identifiers.end(); ++it) {
            bool inserted = db.executeUpdate(
                "INSERT INTO Item (ItemType, Value, IsRegEx, Scanner, AdditionalInfo) VALUES (?, ?, ?, ?, ?)",
                {row.itemType, row.value, row.isRegex, int64_t(*it), row.additionalInfo});
            if (inserted) copyNotes(db, row.record, db.lastInsertRowId());
        }
    }
    if (!db.commit()) db.rollback();
}

}  // namespace

void BVKnowledgeBaseStore::upgradeUserDatabaseIfNeeds(BVLockedDatabase& locked) {
    std::lock_guard<std::mutex> lock(locked.lock);
    FMDatabase& db = *locked.database;
    std::string version = globalValueForKey("Version", db).value_or("0.0");
    if (!lowerThan(version, "2.0.1")) return;
    if (lowerThan(version, "1.5")) {
        std::vector<int64_t> records;
        std::string select = "SELECT RecordID FROM Item, AppNote WHERE ItemType = 4 AND Scanner & " +
                             std::to_string(kOldApplicationsMask) + " AND RecordID = FileItem";
        if (auto rows = db.executeQuery(select))
            while (rows->next()) records.push_back(rows->longForColumnIndex(0));
        if (!records.empty() && db.beginTransaction()) {
            for (int64_t record : records)
                db.executeUpdate("UPDATE Item SET Scanner = ? WHERE RecordID = ?", {kOldApplicationsMask, record});
            if (!db.commit()) db.rollback();
        }
        if (db.beginTransaction()) {
            db.executeUpdate("ALTER TABLE Item ADD COLUMN AdditionalInfo BLOB");
            if (!db.commit()) db.rollback();
        }
    }
    splitMultiScannerRows(db);
    setGlobalValue(std::string("2.0.1"), "Version", db);
}
