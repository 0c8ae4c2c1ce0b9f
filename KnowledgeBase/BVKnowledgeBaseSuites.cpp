// Application suites (items of type 8 whose members are linked by AppNote) and lookups of
// application records, on the application database.
#include <algorithm>

#include "Foundation/BVVersionComparator.h"
#include "KnowledgeBase/BVKnowledgeBase.h"

inline constexpr const char* BVApplicationSuiteID = "BVApplicationSuiteID";
inline constexpr const char* BVApplicationSuiteName = "BVApplicationSuiteName";
inline constexpr const char* BVApplicationSuiteMainApps = "BVApplicationSuiteMainApps";

std::optional<BVDictionary> BVKnowledgeBase::suiteWithRecord(FMDatabase& db, int64_t record) {
    auto rows = db.executeQuery("SELECT * FROM Item WHERE RecordID = ?", {record});
    if (!rows || !rows->next()) return std::nullopt;
    BVDictionary suite;
    if (auto blob = rows->dataForColumn("AdditionalInfo"))
        if (auto decoded = propertyListItemForBlobData(*blob); decoded && decoded->isDictionary()) suite = decoded->dictionaryValue();
    suite[BVApplicationSuiteID] = record;
    suite[BVApplicationSuiteName] = rows->stringForColumn("Value");
    rows.reset();
    auto mainApps = suite.find(BVApplicationSuiteMainApps);
    if (mainApps != suite.end()) {
        std::string ids;
        for (const BVValue& id : mainApps->second.arrayValue()) {
            if (!ids.empty()) ids += ",";
            ids += std::to_string(id.int64Value());  // numbers only: nothing else reaches the SQL text
        }
        BVArray applications;
        if (auto apps = db.executeQuery("SELECT Name, BundleID FROM Application WHERE RecordID IN (" + ids + ")"))
            while (apps->next()) applications.push_back(BVKBApplicationInfo(apps->stringForColumnIndex(0), apps->stringForColumnIndex(1)).value());
        mainApps->second = applications;
    }
    return suite;
}

std::optional<BVDictionary> BVKnowledgeBase::applicationSuiteForApplicationName(const std::string& name, const std::string&,
                                                                                 const std::string& bundleID) {
    auto app = appDatabase();
    if (!app) return std::nullopt;
    std::lock_guard<std::mutex> lock(app->lock);
    FMDatabase& db = *app->database;
    std::vector<int64_t> items;
    if (auto rows = db.executeQuery("SELECT FileItem FROM AppNote, Application WHERE BundleID = ? AND Name = ? AND RecordID = Application", {bundleID, name}))
        while (rows->next()) items.push_back(rows->longForColumnIndex(0));
    for (int64_t item : items) {
        auto record = db.stringForQuery("SELECT RecordID FROM Item WHERE RecordID = ? AND ItemType = ?", {item, int64_t(BVItemTypeApplicationSuite)});
        if (record) return suiteWithRecord(db, item);
    }
    return std::nullopt;
}

std::optional<BVDictionary> BVKnowledgeBase::applicationSuiteForSuiteName(const std::string& name) {
    auto app = appDatabase();
    if (!app) return std::nullopt;
    std::lock_guard<std::mutex> lock(app->lock);
    FMDatabase& db = *app->database;
    auto rows = db.executeQuery("SELECT RecordID FROM Item WHERE ItemType = ? AND (RecordId = ? OR Value = ?)",
                                {int64_t(BVItemTypeApplicationSuite), name, name});
    if (!rows || !rows->next()) return std::nullopt;
    int64_t record = rows->longForColumnIndex(0);
    rows.reset();
    return suiteWithRecord(db, record);
}

std::vector<BVKBApplicationInfo> BVKnowledgeBase::allSuiteApplicationsForSuite(const BVDictionary& suite) {
    auto app = appDatabase();
    auto id = suite.find(BVApplicationSuiteID);
    if (!app || id == suite.end()) return {};
    std::lock_guard<std::mutex> lock(app->lock);
    std::vector<BVKBApplicationInfo> members;
    if (auto rows = app->database->executeQuery("SELECT Name, BundleID FROM AppNote, Application WHERE FileItem = ? AND Application = RecordID",
                                                {id->second.int64Value()}))
        while (rows->next()) members.emplace_back(rows->stringForColumnIndex(0), rows->stringForColumnIndex(1));
    return members;
}

std::optional<BVDictionary> BVKnowledgeBase::itemWithValue(const std::string& value, int64_t itemType) {
    auto app = appDatabase();
    if (!app) return std::nullopt;
    std::lock_guard<std::mutex> lock(app->lock);
    auto rows = app->database->executeQuery(
        "SELECT Item.Value, Item.AdditionalInfo, Application.Name, Application.BundleID FROM Item, AppNote, Application "
        "WHERE Item.ItemType = ? AND Item.Value = ? AND AppNote.FileItem = Item.RecordID AND AppNote.Application = Application.RecordID "
        "ORDER BY Item.RecordID ASC LIMIT 1",
        {itemType, value});
    if (!rows || !rows->next()) return std::nullopt;
    BVDictionary item{{BVItemInfoValueKey, rows->stringForColumnIndex(0)},
                      {BVApplicationSuiteName, rows->stringForColumnIndex(2)},
                      {BVApplicationSuiteID, rows->stringForColumnIndex(3)}};
    if (auto blob = rows->dataForColumn("AdditionalInfo"))
        if (auto decoded = propertyListItemForBlobData(*blob)) item[BVItemInfoAdditionalInfoKey] = *decoded;
    return item;
}

std::optional<int64_t> BVKnowledgeBase::appTypeWithBundleID(const std::string& bundleID) {
    auto app = appDatabase();
    if (!app) return std::nullopt;
    std::lock_guard<std::mutex> lock(app->lock);
    auto type = app->database->stringForQuery("SELECT Type FROM Application WHERE BundleID = ? LIMIT 1", {bundleID});
    if (!type) return std::nullopt;
    return std::stoll(*type);
}

std::optional<std::string> BVKnowledgeBase::bundleURLWithBundleID(const std::string& bundleID) {
    auto app = appDatabase();
    if (!app) return std::nullopt;
    std::optional<std::string> subpath;
    {
        std::lock_guard<std::mutex> lock(app->lock);
        subpath = app->database->stringForQuery(
            "SELECT AppSubpath FROM AppType, Application WHERE Application.BundleID = ? AND AppType.Type = Application.Type LIMIT 1", {bundleID});
    }
    if (!subpath) return std::nullopt;
    return expandedFullValue(*subpath, false);
}

std::vector<BVDictionary> BVKnowledgeBase::supportedVersionInfoForApp(const std::string& bundleID) {
    auto app = appDatabase();
    if (!app) return {};
    std::lock_guard<std::mutex> lock(app->lock);
    FMDatabase& db = *app->database;
    std::vector<int64_t> records;
    if (auto rows = db.executeQuery("SELECT RecordID FROM Application WHERE BundleID = ?", {bundleID}))
        while (rows->next()) records.push_back(rows->longForColumnIndex(0));
    std::map<std::string, BVDictionary> byVersion;
    for (int64_t record : records) {
        if (auto rows = db.executeQuery("SELECT BRK_Version, AppVersion, MinMaxState FROM AppCompatibility WHERE CompatibleApp = ?", {record})) {
            while (rows->next()) {
                std::string from = rows->stringForColumnIndex(0);
                BVDictionary& entry = byVersion[from];
                entry["brk_version"] = from;
                entry[rows->longForColumnIndex(2) ? "max" : "min"] = rows->stringForColumnIndex(1);
            }
        }
    }
    std::vector<BVDictionary> info;
    for (auto& [version, entry] : byVersion) info.push_back(std::move(entry));
    std::stable_sort(info.begin(), info.end(), [](const BVDictionary& a, const BVDictionary& b) {
        return BVVersionComparator::compareVersion(a.at("brk_version").stringValue(), b.at("brk_version").stringValue()) ==
               BVComparisonResult::Ascending;
    });
    return info;
}
