// Removing entries from the user knowledge base, and reading the user's ignore list.
#include "KnowledgeBase/BVKnowledgeBase.h"

bool BVKnowledgeBase::deleteRowsWithNotes(FMDatabase& db, const std::vector<int64_t>& records) {
    for (int64_t record : records) {
        if (!db.executeUpdate("DELETE FROM Item WHERE RecordID = ?", {record}) ||
            !db.executeUpdate("DELETE FROM FileNote WHERE File = ?", {record}) ||
            !db.executeUpdate("DELETE FROM AppNote WHERE FileItem = ?", {record}))
            return false;
    }
    return true;
}

bool BVKnowledgeBase::removeSelected(const std::string& sql, const FMArguments& arguments, int64_t itemType,
                                     const std::vector<BVDictionary>& infos) {
    auto user = userDatabase();
    if (!user) return false;
    std::vector<int64_t> records;
    BVScannerSet removed;
    {
        std::lock_guard<std::mutex> lock(user->lock);
        FMDatabase& db = *user->database;
        if (auto rows = db.executeQuery(sql, arguments)) {
            while (rows->next()) {
                records.push_back(rows->longForColumnIndex(0));
                removed.insert(BVScannerIdentifier(rows->longForColumnIndex(1)));
            }
        }
        if (records.empty()) return true;
        if (!db.beginTransaction()) return false;
        if (!deleteRowsWithNotes(db, records) || !db.commit()) {
            db.rollback();
            return false;
        }
    }
    invalidateCachesForItemType(itemType, removed);
    BVArray array;
    for (const auto& info : infos) array.push_back(BVValue(info));
    post(BVKnowledgeBaseDidRemoveItemNotification, array, itemType, removed);
    return true;
}

bool BVKnowledgeBase::removeItems(const std::vector<std::string>& values, int64_t itemType, const BVScannerSet& scannersIn) {
    if (values.empty()) return true;
    BVScannerSet scanners = BVScannerIdentifiers::normalize(scannersIn);
    std::vector<BVDictionary> infos;
    std::string list;
    for (const std::string& value : values) {
        BVDictionary info{{BVItemInfoValueKey, value}};
        scanners = willChangeDatabaseForItemInfo(info, itemType, scanners, 1);
        infos.push_back(info);
        if (!list.empty()) list += "', '";
        list += sqlEscapedString(value);
    }
    for (auto& info : infos) info[BVItemInfoScannersKey] = BVScannerSetValue(scanners);
    std::string sql = "SELECT RecordID, Scanner FROM Item WHERE Item.ItemType = " + std::to_string(itemType) +
                      " AND Item.Value IN ('" + list + "') AND " + BVScannerIdentifiers::removalScannerCondition(scanners);
    return removeSelected(sql, {}, itemType, infos);
}

bool BVKnowledgeBase::removeItemWithFullItemValue(const std::string& value, int64_t itemType, const BVScannerSet& scannersIn) {
    BVDictionary info{{BVItemInfoValueKey, value}};
    BVScannerSet scanners = willChangeDatabaseForItemInfo(info, itemType, BVScannerIdentifiers::normalize(scannersIn), 1);
    info[BVItemInfoScannersKey] = BVScannerSetValue(scanners);
    std::string sql = "SELECT RecordID, Scanner FROM Item WHERE Item.ItemType = " + std::to_string(itemType) +
                      " AND Item.Value = ? AND " + BVScannerIdentifiers::removalScannerCondition(scanners);
    return removeSelected(sql, {value}, itemType, {info});
}

bool BVKnowledgeBase::resetUserKnowledgeBaseForItemTypes(const std::vector<int64_t>& itemTypes, const BVScannerSet& scannersIn) {
    if (itemTypes.empty()) return true;
    BVScannerSet scanners = BVScannerIdentifiers::normalize(scannersIn);
    auto user = userDatabase();
    if (!user) return false;
    std::string types;
    for (int64_t type : itemTypes) {
        if (!types.empty()) types += ',';
        types += std::to_string(type);
    }
    // Resetting for all scanners means every entry of the types, whatever scanner it names.
    std::string condition = scanners.count(BVAllScannersIdentifier) ? std::string("(1)")
                                                                     : BVScannerIdentifiers::removalScannerCondition(scanners);
    struct Removed {
        BVArray infos;
        BVScannerSet scanners;
    };
    std::map<int64_t, Removed> byType;
    {
        std::lock_guard<std::mutex> lock(user->lock);
        FMDatabase& db = *user->database;
        std::vector<int64_t> records;
        if (auto rows = db.executeQuery("SELECT * FROM Item WHERE " + condition + " AND ItemType IN (" + types + ")")) {
            while (rows->next()) {
                records.push_back(rows->longForColumn("RecordID"));
                Removed& r = byType[rows->longForColumn("ItemType")];
                r.infos.push_back(BVValue(BVDictionary{{BVItemInfoValueKey, rows->stringForColumn("Value")}}));
                r.scanners.insert(BVScannerIdentifier(rows->longForColumn("Scanner")));
            }
        }
        if (records.empty()) return true;
        if (!db.beginTransaction()) return false;
        if (!deleteRowsWithNotes(db, records) || !db.commit()) {
            db.rollback();
            return false;
        }
    }
    for (const auto& [type, removed] : byType) {
        invalidateCachesForItemType(type, removed.scanners);
        post(BVKnowledgeBaseDidRemoveItemNotification, removed.infos, type, removed.scanners);
    }
    return true;
}

std::vector<BVDictionary> BVKnowledgeBase::userIgnoreItemsForScanners(const BVScannerSet& scannersIn) {
    BVScannerSet scanners = BVScannerIdentifiers::normalize(scannersIn);
    auto user = userDatabase();
    if (!user) return {};
    std::lock_guard<std::mutex> lock(user->lock);
    FMDatabase& db = *user->database;
    std::vector<BVDictionary> rows;
    if (auto result = db.executeQuery("SELECT * FROM Item WHERE ItemType = 3 AND " + BVScannerIdentifiers::scannerCondition(scanners)))
        while (result->next()) rows.push_back(result->resultDictionary());
    std::vector<BVDictionary> items;
    std::map<std::string, size_t> merged;  // identity of an entry apart from its scanner -> index
    for (const BVDictionary& row : rows) {
        int64_t record = row.at("RecordID").int64Value();
        BVDictionary info{{BVItemInfoRecordID, std::to_string(record)},
                          {BVItemInfoValueKey, row.at("Value").stringValue()},
                          {BVItemInfoIsRegExpKey, row.at("IsRegEx").boolValue()}};
        std::string blob;
        if (auto it = row.find("AdditionalInfo"); it != row.end() && it->second.dataValue()) {
            blob = it->second.dataValue()->bytes;
            if (auto decoded = propertyListItemForBlobData(blob)) info[BVItemInfoAdditionalInfoKey] = *decoded;
        }
        std::string fileTypes;
        if (auto notes = db.executeQuery("SELECT Type FROM FileNote WHERE File = ?", {record})) {
            while (notes->next()) {
                info[BVItemInfoFileTypeKey] = notes->longForColumnIndex(0);
                fileTypes += std::to_string(notes->longForColumnIndex(0)) + ",";
            }
        }
        std::string application;
        if (auto apps = db.executeQuery("SELECT Name, BundleID, Type FROM Application, AppNote WHERE FileItem = ? AND Application = RecordID", {record})) {
            if (apps->next()) {
                info[BVItemInfoApplicationInfoKey] = BVKBApplicationInfo(apps->stringForColumnIndex(0), apps->stringForColumnIndex(1)).value();
                info[BVItemInfoApplicationTypeKey] = apps->longForColumnIndex(2);
                application = apps->stringForColumnIndex(0) + '\n' + apps->stringForColumnIndex(1);
            }
        }
        std::string identity = row.at("Value").stringValue() + '\0' + (row.at("IsRegEx").boolValue() ? "1" : "0") + '\0' + blob +
                               '\0' + fileTypes + '\0' + application;
        BVScannerIdentifier scanner = row.at("Scanner").uint64Value();
        auto found = merged.find(identity);
        if (found == merged.end()) {
            info[BVItemInfoScannersKey] = BVScannerSetValue({scanner});
            info[BVItemInfoRecordIDsKey] = BVArray{record};
            merged.emplace(identity, items.size());
            items.push_back(std::move(info));
        } else {
            BVDictionary& existing = items[found->second];
            BVScannerSet set = BVScannerSetFromValue(existing[BVItemInfoScannersKey]);
            set.insert(scanner);
            existing[BVItemInfoScannersKey] = BVScannerSetValue(set);
            BVArray records = existing[BVItemInfoRecordIDsKey].arrayValue();
            records.push_back(record);
            existing[BVItemInfoRecordIDsKey] = std::move(records);
        }
    }
    return items;
}
