// Adding entries to the user knowledge base, with duplicate checks and change notifications.
#include "Foundation/BVLogger.h"
#include "KnowledgeBase/BVKnowledgeBase.h"

BVValue BVScannerSetValue(const BVScannerSet& scanners) {
    BVArray array;
    for (BVScannerIdentifier s : scanners) array.push_back(BVValue(uint64_t(s)));
    return array;
}

BVScannerSet BVScannerSetFromValue(const BVValue& value) {
    BVScannerSet scanners;
    for (const BVValue& s : value.arrayValue()) scanners.insert(s.uint64Value());
    return scanners;
}

void BVKnowledgeBase::post(const char* name, const BVArray& infos, int64_t itemType, const BVScannerSet& scanners) {
    BVNotification notification;
    notification.name = name;
    notification.object = std::static_pointer_cast<void>(weak_from_this().lock());
    notification.userInfo = {{BVKnowledgeBaseItemInfos, infos},
                             {BVKnowledgeBaseItemType, itemType},
                             {BVKnowledgeBaseScanners, BVScannerSetValue(scanners)}};
    notificationCenter_->postNotification(notification);
}

bool BVKnowledgeBase::canInsertAppNoteWithInfo(const BVDictionary& info, int64_t& appType) {
    auto found = info.find(BVItemInfoApplicationInfoKey);
    if (found == info.end()) return false;
    BVKBApplicationInfo application = BVKBApplicationInfo::fromValue(found->second);
    if (application.bundleID().empty()) return false;
    appType = 0;
    auto type = info.find(BVItemInfoApplicationTypeKey);
    if (type != info.end()) {
        appType = type->second.int64Value();
    } else if (!application.path().empty()) {
        auto user = userDatabase();
        if (user) {
            std::lock_guard<std::mutex> lock(user->lock);
            appType = user->database->longForQuery("SELECT Type FROM AppType WHERE ? LIKE AppSubpath || '%'",
                                                   {paths().abbreviateHome(application.path())});
        }
    }
    return true;
}

BVScannerSet BVKnowledgeBase::willChangeDatabaseForItemInfo(const BVDictionary& info, int64_t itemType,
                                                            const BVScannerSet& scanners, int action) {
    BVScannerSet result = scanners;
    if (itemType == BVItemTypeGray && (scanners.count(5) || scanners.count(11) || scanners.count(30))) {
        int64_t appType = 0;
        if (action == 1 || canInsertAppNoteWithInfo(info, appType)) result.insert({5, 11, 30});
    }
    return result;
}

bool BVKnowledgeBase::hasDuplicateForItemInfo(const BVDictionary& info, int64_t itemType, BVScannerIdentifier scanner) {
    BVValue value = info.count(BVItemInfoValueKey) ? info.at(BVItemInfoValueKey) : BVValue();
    bool isRegex = info.count(BVItemInfoIsRegExpKey) && info.at(BVItemInfoIsRegExpKey).boolValue();
    BVValue additional = info.count(BVItemInfoAdditionalInfoKey) ? info.at(BVItemInfoAdditionalInfoKey) : BVValue();
    bool hasAdditional = additional.isDictionary() ? !additional.dictionaryValue().empty() : !additional.isNull();
    // Values are bound and compared without regard to case (as matching is), never with LIKE:
    // "_" and "%" in a path would otherwise make unrelated entries count as duplicates.
    std::string sql = "SELECT RecordID FROM Item WHERE ItemType = " + std::to_string(itemType) +
                      " AND Value = ? COLLATE NOCASE AND IsRegEx = " + std::to_string(isRegex ? 1 : 0) + " AND " +
                      (scanner == BVAllScannersIdentifier
                           ? std::string("(1 OR Item.Scanner = ?)")
                           : "(Item.Scanner = " + std::to_string(BVAllScannersIdentifier) + " OR Item.Scanner = ?)");
    BVData blob = *blobDataForPropertyListItem(hasAdditional ? additional : BVValue(BVDictionary{}));
    sql += hasAdditional ? " AND AdditionalInfo = ?" : " AND (AdditionalInfo = ? OR AdditionalInfo ISNULL)";
    std::optional<BVKBApplicationInfo> application;
    int64_t appType = 0;
    if (canInsertAppNoteWithInfo(info, appType)) application = BVKBApplicationInfo::fromValue(info.at(BVItemInfoApplicationInfoKey));
    int64_t fileType = info.count(BVItemInfoFileTypeKey) ? info.at(BVItemInfoFileTypeKey).int64Value() : 0;
    bool checkFileType = info.count(BVItemInfoFileTypeKey) || itemType == BVItemTypeApplicationFile;
    if (itemType == BVItemTypeApplicationFile && !info.count(BVItemInfoFileTypeKey)) fileType = fileTypeForFilePath(value.stringValue());

    for (const auto& locked : {userDatabase(), appDatabase()}) {
        if (!locked) continue;
        std::lock_guard<std::mutex> lock(locked->lock);
        FMDatabase& db = *locked->database;
        std::vector<int64_t> records;
        if (auto rows = db.executeQuery(sql, {value, int64_t(scanner), blob}))
            while (rows->next()) records.push_back(rows->longForColumnIndex(0));
        for (int64_t record : records) {
            if (application &&
                db.longForQuery("SELECT count(*) FROM Application, AppNote WHERE FileItem = ? AND Application = RecordID AND Name = '" +
                                    sqlEscapedString(application->name()) + "' AND BundleID = '" +
                                    sqlEscapedString(application->bundleID()) + "' AND Type = " + std::to_string(appType),
                                {record}) == 0)
                continue;
            if (checkFileType &&
                db.longForQuery("SELECT count(*) FROM FileNote WHERE File = ? AND Type = " + std::to_string(fileType), {record}) == 0)
                continue;
            return true;
        }
    }
    return false;
}

bool BVKnowledgeBase::insertItem(FMDatabase& db, const BVDictionary& info, int64_t itemType, BVScannerIdentifier scanner,
                                 bool writeFileNote, int64_t fileType, bool writeAppNote, int64_t appType) {
    BVValue value = info.at(BVItemInfoValueKey);
    int64_t isRegex = info.count(BVItemInfoIsRegExpKey) && info.at(BVItemInfoIsRegExpKey).boolValue() ? 1 : 0;
    BVValue additional = info.count(BVItemInfoAdditionalInfoKey) ? info.at(BVItemInfoAdditionalInfoKey) : BVValue();
    if (!db.executeUpdate("INSERT INTO Item (ItemType, Value, IsRegEx, Scanner) VALUES (?, ?, ?, ?)",
                          {itemType, value, isRegex, int64_t(scanner)}))
        return false;
    bool needsRecord = !additional.isNull() || writeAppNote || writeFileNote;
    if (!needsRecord) return true;
    auto recordText = db.stringForQuery(
        "SELECT RecordID FROM Item WHERE ItemType = ? AND Value = ? AND IsRegEx = ? AND Scanner = ? ORDER BY RecordID DESC",
        {itemType, value, isRegex, int64_t(scanner)});
    if (!recordText) return false;
    int64_t record = std::stoll(*recordText);
    if (!additional.isNull() &&
        !db.executeUpdate("UPDATE Item SET AdditionalInfo = ? WHERE RecordId = ?", {*blobDataForPropertyListItem(additional), record}))
        return false;
    if (writeAppNote) {
        BVKBApplicationInfo application = BVKBApplicationInfo::fromValue(info.at(BVItemInfoApplicationInfoKey));
        FMArguments key{application.name(), application.bundleID(), appType};
        const char* find = "SELECT RecordID FROM Application WHERE Name = ? AND BundleID = ? AND Type = ?";
        auto applicationRecord = db.stringForQuery(find, key);
        if (!applicationRecord) {
            if (!db.executeUpdate("INSERT INTO Application (Name, BundleID, Type) VALUES (?, ?, ?)", key)) return false;
            applicationRecord = db.stringForQuery(find, key);
        }
        if (!applicationRecord ||
            !db.executeUpdate("INSERT INTO AppNote (Application, FileItem) VALUES (?, ?)", {int64_t(std::stoll(*applicationRecord)), record}))
            return false;
    }
    if (writeFileNote && !db.executeUpdate("INSERT INTO FileNote (File, Type) VALUES (?, ?)", {record, fileType})) return false;
    return true;
}

bool BVKnowledgeBase::addItemWithItemInfo(const BVDictionary& itemInfo, int64_t itemType, const BVScannerSet& scannersIn) {
    BVScannerSet scanners = willChangeDatabaseForItemInfo(itemInfo, itemType, BVScannerIdentifiers::normalize(scannersIn), 0);
    auto valueEntry = itemInfo.find(BVItemInfoValueKey);
    if (valueEntry == itemInfo.end() || valueEntry->second.stringValue().empty()) return false;
    BVDictionary info = itemInfo;
    info[BVItemInfoScannersKey] = BVScannerSetValue(scanners);
    int64_t appType = 0;
    bool writeAppNote = canInsertAppNoteWithInfo(info, appType);
    int64_t fileType = info.count(BVItemInfoFileTypeKey) ? info.at(BVItemInfoFileTypeKey).int64Value() : 0;
    bool writeFileNote = fileType != 0;
    if (itemType == BVItemTypeApplicationFile) {
        writeFileNote = true;
        if (!info.count(BVItemInfoFileTypeKey)) fileType = fileTypeForFilePath(valueEntry->second.stringValue());
    }
    if ((itemType == BVItemTypeQuittingFile || itemType == BVItemTypeApplicationFile) && !writeAppNote) return false;

    std::vector<BVScannerIdentifier> toAdd;
    for (BVScannerIdentifier scanner : scanners)
        if (!hasDuplicateForItemInfo(info, itemType, scanner)) toAdd.push_back(scanner);
    auto user = userDatabase();
    if (!user) return false;
    BVScannerSet added;
    {
        std::lock_guard<std::mutex> lock(user->lock);
        FMDatabase& db = *user->database;
        for (BVScannerIdentifier scanner : toAdd) {
            // One transaction per identifier: a failure leaves no half-written entry behind.
            if (!db.beginTransaction()) break;
            if (!insertItem(db, info, itemType, scanner, writeFileNote, fileType, writeAppNote, appType) || !db.commit()) {
                BVLogger::error(fmt::format("Failed to add a knowledge-base entry: {}", db.lastErrorMessage()));
                db.rollback();
                break;
            }
            added.insert(scanner);
        }
    }
    if (added.empty()) return false;
    invalidateCachesForItemType(itemType, added);
    post(BVKnowledgeBaseDidAddItemNotification, {BVValue(info)}, itemType, added);
    return true;
}

bool BVKnowledgeBase::addItemsToSelectionMemory(const std::vector<std::string>& paths, const BVScannerSet& scannersIn) {
    BVScannerSet normalized = BVScannerIdentifiers::normalize(scannersIn);
    auto user = userDatabase();
    if (!user || paths.empty()) return false;
    BVArray infos;
    BVScannerSet touched;
    {
        std::lock_guard<std::mutex> lock(user->lock);
        FMDatabase& db = *user->database;
        if (!db.beginTransaction()) return false;
        for (const std::string& path : paths) {
            BVDictionary info{{BVItemInfoValueKey, path}, {BVItemInfoScannersKey, BVScannerSetValue(normalized)}};
            BVScannerSet scanners = willChangeDatabaseForItemInfo(info, BVItemTypeSelectionMemory, normalized, 0);
            for (BVScannerIdentifier scanner : scanners) {
                if (!db.executeUpdate("INSERT INTO Item (ItemType, Value, IsRegEx, Scanner) VALUES (7, '" +
                                      sqlEscapedString(path) + "', 0, " + std::to_string(scanner) + ")")) {
                    db.rollback();
                    return false;
                }
                touched.insert(scanner);
            }
            infos.push_back(BVValue(info));
        }
        if (!db.commit()) {
            db.rollback();
            return false;
        }
    }
    invalidateCachesForItemType(BVItemTypeSelectionMemory, touched);
    post(BVKnowledgeBaseDidAddItemNotification, infos, BVItemTypeSelectionMemory, touched);
    return true;
}
