// Display information for ignore entries of the previous generation, which stored none: each
// entry is described once and the description is written to every row of the entry.
#include <sys/stat.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "KnowledgeBase/BVKnowledgeBase.h"

namespace {

std::vector<int64_t> recordsOf(const BVDictionary& info) {
    std::vector<int64_t> records;
    if (auto it = info.find(BVItemInfoRecordIDsKey); it != info.end())
        for (const BVValue& record : it->second.arrayValue()) records.push_back(record.int64Value());
    return records;
}

}  // namespace

BVIgnoreListContext BVKnowledgeBase::ignoreListContext() {
    std::weak_ptr<BVKnowledgeBase> weak = weak_from_this();
    BVIgnoreListContext context;
    context.installedApplication = [weak](const std::string& bundleID) -> std::optional<BVKBApplicationInfo> {
        auto kb = weak.lock();
        if (!kb) return std::nullopt;
        auto path = kb->bundleURLWithBundleID(bundleID);
        struct stat st;
        if (!path || ::stat(path->c_str(), &st) != 0) return std::nullopt;
        auto names = kb->applicationNamesWithBundleID(bundleID);
        std::string name = names.empty() ? BVFileIO::lastPathComponent(*path) : names.front();
        if (names.empty() && name.size() > 4 && name.compare(name.size() - 4, 4, ".app") == 0) name.resize(name.size() - 4);
        return BVKBApplicationInfo(name, bundleID, *path);
    };
    context.suiteApplications = [weak](const std::string& suiteName) {
        auto kb = weak.lock();
        if (!kb) return std::vector<BVKBApplicationInfo>{};
        auto suite = kb->applicationSuiteForSuiteName(suiteName);
        return suite ? kb->allSuiteApplicationsForSuite(*suite) : std::vector<BVKBApplicationInfo>{};
    };
    return context;
}

BVDictionary BVKnowledgeBase::additionalInfoFromIgnoreListItem(const BVIgnoreListItem& item) {
    BVDictionary info;
    if (auto it = item.itemInfo().find(BVItemInfoAdditionalInfoKey); it != item.itemInfo().end()) info = it->second.dictionaryValue();
    if (item.titleInfo()) info[BVIgnoreDisplayNameInfoKey] = item.titleInfo()->dictionaryValue();
    if (item.subtitleInfo()) info[BVIgnoreDisplayDescriptionInfoKey] = item.subtitleInfo()->dictionaryValue();
    if (item.iconInfo()) info[BVIgnoreDisplayIconInfoKey] = item.iconInfo()->dictionaryValue();
    return info;
}

bool BVKnowledgeBase::updateAdditionalInfoForIgnoreItems(const std::vector<BVDictionary>& itemInfos) {
    auto user = userDatabase();
    if (!user) return false;
    std::lock_guard<std::mutex> lock(user->lock);
    FMDatabase& db = *user->database;
    if (!db.beginTransaction()) return false;
    for (const BVDictionary& info : itemInfos) {
        auto additional = blobDataForPropertyListItem(info.count(BVItemInfoAdditionalInfoKey) ? info.at(BVItemInfoAdditionalInfoKey) : BVValue());
        if (!additional) {  // never overwrite what is stored with nothing
            db.rollback();
            return false;
        }
        std::string value = info.count(BVItemInfoValueKey) ? info.at(BVItemInfoValueKey).stringValue() : "";
        for (int64_t record : recordsOf(info)) {
            FMArguments arguments{BVValue(*additional), value, record};
            if (!db.executeUpdate("UPDATE Item SET AdditionalInfo = ?, Value = ? WHERE RecordId = ?", arguments)) {
                db.rollback();
                return false;
            }
        }
    }
    if (db.commit()) return true;
    db.rollback();
    return false;
}

bool BVKnowledgeBase::removeNonMigratedIgnoreItems(const std::vector<int64_t>& records) {
    if (records.empty()) return true;
    auto user = userDatabase();
    if (!user) return false;
    std::lock_guard<std::mutex> lock(user->lock);
    FMDatabase& db = *user->database;
    if (!db.beginTransaction()) return false;
    if (deleteRowsWithNotes(db, records) && db.commit()) return true;
    db.rollback();
    return false;
}

bool BVKnowledgeBase::migrateAllBRK3IgnoreInformation() {
    BVIgnoreListContext context = ignoreListContext();
    std::vector<BVDictionary> described;
    std::vector<int64_t> empty;
    for (BVDictionary info : userIgnoreItemsForScanners({BVAllScannersIdentifier})) {
        if (info[BVItemInfoValueKey].stringValue().empty()) {
            for (int64_t record : recordsOf(info)) empty.push_back(record);
            continue;
        }
        auto item = BVIgnoreListItem::ignoreListItemWithInfo(info, context);
        if (!item) item = BVIgnoreListItem::plainIgnoreListItemWithInfo(info, context);
        info[BVItemInfoAdditionalInfoKey] = additionalInfoFromIgnoreListItem(*item);
        if (item->value() && !item->value()->empty()) info[BVItemInfoValueKey] = *item->value();
        described.push_back(std::move(info));
    }
    bool ok = updateAdditionalInfoForIgnoreItems(described);
    if (!ok) BVLogger::warning("Could not store the display information of the ignore list; it stays as it was");
    if (!removeNonMigratedIgnoreItems(empty)) {
        BVLogger::warning("Could not remove ignore entries without a value");
        ok = false;
    }
    invalidateCachesForItemType(BVItemTypeBlack, {BVAllScannersIdentifier});
    return ok;
}
