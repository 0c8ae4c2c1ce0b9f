// BVKnowledgeBase: the rule store. Two databases: the application knowledge base (encrypted,
// shipped beside the program and replaceable by a newer copy in the user's knowledge-base
// folder) and the user knowledge base (plain; the user's ignore list and selection memory).
//
// The databases themselves are the store's (BVKnowledgeBaseStore); this class holds the item
// cache and answers the queries and the edits on top of them (one file per concern: the cache
// and membership queries, editing, applications, suites, leftovers, the ignore-list migration).
//
// Thread safety: every operation may be called from any thread. Databases open lazily in the
// store; every statement sequence runs under the lock of the database it uses; the item cache
// has its own lock, and a cache fill takes the cache lock and then each database lock in turn
// (never two database locks at once). Change notifications are posted on the calling
// thread. A user database that exists but cannot be read is left untouched and reported by
// `userDatabaseState()`; callers then preselect nothing (see BVKnowledgeBaseWrapper).
#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVNotificationCenter.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVWorkspace.h"
#include "KnowledgeBase/BVItemSet.h"
#include "KnowledgeBase/BVIgnoreListItem.h"
#include "KnowledgeBase/BVKnowledgeBaseStore.h"
#include "KnowledgeBase/BVKnowledgeBaseTypes.h"
#include "KnowledgeBase/FMDatabase.h"

class BVKnowledgeBase : public std::enable_shared_from_this<BVKnowledgeBase> {
public:
    static std::shared_ptr<BVKnowledgeBase> sharedInstance();
    // Replaces the process-wide instance (the shell does so after choosing paths).
    static void setSharedInstance(std::shared_ptr<BVKnowledgeBase> knowledgeBase);

    // `path` empty: the override copy or the shipped copy, whichever is newer. Otherwise
    // exactly `path`, with no fallback.
    explicit BVKnowledgeBase(BVKnowledgeBaseConfiguration configuration, std::string path = {});
    ~BVKnowledgeBase();

    // --- Store (BVKnowledgeBaseStore) ---
    BVKnowledgeBaseStore& store() { return store_; }
    BVLockedDatabasePtr appDatabase() { return store_.appDatabase(); }
    BVLockedDatabasePtr userDatabase() { return store_.userDatabase(); }
    std::mutex& mutexForObject(const BVLockedDatabasePtr& database);
    std::string dbPath() { return store_.dbPath(); }
    std::string appSupportDbPath() const { return store_.appSupportDbPath(); }
    std::string userDatabasePath() const { return store_.userDatabasePath(); }
    std::vector<std::string> applicationDatabaseCandidates() const { return store_.applicationDatabaseCandidates(); }
    BVUserDatabaseState userDatabaseState() { return store_.userDatabaseState(); }
    std::string version();
    std::optional<std::string> globalValueForKey(const std::string& key);
    bool setGlobalValue(const std::optional<std::string>& value, const std::string& key);
    static std::optional<std::string> globalValueForKey(const std::string& key, FMDatabase& database) {
        return BVKnowledgeBaseStore::globalValueForKey(key, database);
    }
    static bool setGlobalValue(const std::optional<std::string>& value, const std::string& key, FMDatabase& database) {
        return BVKnowledgeBaseStore::setGlobalValue(value, key, database);
    }
    static FMDatabasePtr initialDatabaseAtPath(const std::string& path) { return BVKnowledgeBaseStore::initialDatabaseAtPath(path); }
    static void upgradeUserDatabaseIfNeeds(BVLockedDatabase& database) { BVKnowledgeBaseStore::upgradeUserDatabaseIfNeeds(database); }
    bool markAllGrayItemsAsBlack();
    void reloadDatabaseWhenPossible();
    void rescheduleDatabaseReload();
    void reloadDatabaseNow();
    static std::optional<BVData> blobDataForPropertyListItem(const BVValue& item);
    static std::optional<BVValue> propertyListItemForBlobData(const std::string& data);
    bool isKnowledgeBaseDisabled() const { return store_.isKnowledgeBaseDisabled(); }
    void setKnowledgeBaseDisabled(bool disabled) { store_.setKnowledgeBaseDisabled(disabled); }
    bool isSearchingForBundles() const { return searchForBundles_; }
    void setSearchForBundles(bool search) { searchForBundles_ = search; }
    bool isUserDatabaseDisabled() const { return store_.isUserDatabaseDisabled(); }
    void setUserDatabaseDisabled(bool disabled) { store_.setUserDatabaseDisabled(disabled); }
    // Copies the previous generation's user database over when this one has none.
    bool migrateLegacyUserDatabase();
    const BVPaths& paths() const { return store_.paths(); }

    // --- Queries (BVKnowledgeBaseCache.cpp) ---
    bool containsItemWithFullItemValue(const std::string& value, int64_t itemType, const BVScannerSet& scanners,
                                       bool* isUserItem = nullptr);
    bool isBlackItem(const std::string& path, BVScannerIdentifier scanner, bool checkIfSystem = true);
    bool isGrayItem(const std::string& path, BVScannerIdentifier scanner, bool* isUserItem = nullptr);
    bool isProtectedItem(const std::string& path, BVScannerIdentifier scanner);
    bool isSystemFileAtPath(const std::string& path);
    bool isDisabledBySelectionMemory(const std::string& path, BVScannerIdentifier scanner);
    bool shouldPerformDeepSearch(const std::string& path, BVScannerIdentifier scanner);
    // The item sets of the type for each normalised identifier (filled from the databases when
    // missing); an all-scanners request yields the one set of every rule of the type.
    std::vector<BVItemSetPtr> cachedItemsInfoOfType(int64_t itemType, const BVScannerSet& scanners);
    void invalidateCachesForItemType(int64_t itemType, const BVScannerSet& scanners);
    // Rules by item type over both databases, for `kb info`.
    std::map<int64_t, int64_t> ruleCountsByItemType(bool userDatabase);

    // --- Editing (BVKnowledgeBaseEditing.cpp) ---
    bool addItemWithItemInfo(const BVDictionary& itemInfo, int64_t itemType, const BVScannerSet& scanners);
    bool addItemsToSelectionMemory(const std::vector<std::string>& paths, const BVScannerSet& scanners);
    bool removeItems(const std::vector<std::string>& values, int64_t itemType, const BVScannerSet& scanners);
    bool removeItemWithFullItemValue(const std::string& value, int64_t itemType, const BVScannerSet& scanners);
    bool hasDuplicateForItemInfo(const BVDictionary& itemInfo, int64_t itemType, BVScannerIdentifier scanner);
    bool resetUserKnowledgeBaseForItemTypes(const std::vector<int64_t>& itemTypes, const BVScannerSet& scanners);
    bool resetUserIgnoreList() { return resetUserIgnoreListForScanners({BVAllScannersIdentifier}); }
    bool resetUserIgnoreListForScanners(const BVScannerSet& scanners) {
        return resetUserKnowledgeBaseForItemTypes({BVItemTypeBlack}, scanners);
    }
    // The user's type-3 rows for the scanners, rows differing only by scanner merged.
    std::vector<BVDictionary> userIgnoreItemsForScanners(const BVScannerSet& scanners);

    // --- Display information of older entries (BVKnowledgeBaseIgnoreMigration.cpp) ---
    // Gives every stored ignore entry its display-information dictionary, once, after the
    // previous generation's database was taken over. Entries no kind describes get the plain
    // description and are kept; only entries without a value (they match nothing) are removed.
    bool migrateAllBRK3IgnoreInformation();
    // The entry's stored additional information with the description's "nameInfo",
    // "descriptionInfo" and "iconInfo" put in (each left out when incomplete).
    static BVDictionary additionalInfoFromIgnoreListItem(const BVIgnoreListItem& item);
    // Writes each entry's additional information and value to all of its rows; one transaction.
    bool updateAdditionalInfoForIgnoreItems(const std::vector<BVDictionary>& itemInfos);
    // Deletes the rows with their notes; one transaction.
    bool removeNonMigratedIgnoreItems(const std::vector<int64_t>& records);
    // Installed applications and suites as this knowledge base knows them.
    BVIgnoreListContext ignoreListContext();

    // --- Applications (BVKnowledgeBaseApplications.cpp) ---
    int64_t fileTypeForFilePath(const std::string& path);
    std::vector<std::string> appBundleIDsForQuittingFile(const std::string& path, BVScannerIdentifier scanner);
    std::vector<std::string> bundleIDsForApplicationFileURL(const std::string& path, BVScannerIdentifier scanner);
    std::vector<std::string> bundleIDsForApplicationFileURL(const std::string& path, int64_t fileType,
                                                            BVScannerIdentifier scanner);
    std::vector<std::string> applicationNamesWithBundleID(const std::string& bundleID);
    std::optional<std::string> updateFeedURLForApplicationBundleIdentifier(const std::string& bundleID);
    // The programs that are running instances of each known application (table AppExecutable),
    // by bundle identifier; empty when the database predates that table. Values are this host's
    // paths or bare file names, so no root prefix applies to them.
    std::vector<BVApplicationExecutables> applicationExecutables();
    std::optional<std::string> maxSupportedVersionForApp(const std::string& bundleID, const std::string& ownVersion);
    std::optional<std::string> minSupportedVersionForApp(const std::string& bundleID, const std::string& ownVersion);
    // One dictionary per BRK_Version: "brk_version" and "max" and/or "min", in version order.
    std::vector<BVDictionary> supportedVersionInfoForApp(const std::string& bundleID);

    // Leftover descriptions of one application (by name and bundle identifier, falling back to
    // the bundle identifier alone) or of application records (BVKnowledgeBaseLeftovers.cpp).
    std::vector<BVDictionary> applicationFilesForAppName(const std::string& name, const std::string& bundleId,
                                                         BVScannerIdentifier scanner);
    std::vector<BVDictionary> applicationFilesForApps(const std::vector<int64_t>& records, BVScannerIdentifier scanner);

    // --- Suites and application records (BVKnowledgeBaseSuites.cpp) ---
    std::optional<BVDictionary> applicationSuiteForApplicationName(const std::string& name, const std::string& path,
                                                                   const std::string& bundleID);
    std::optional<BVDictionary> applicationSuiteForSuiteName(const std::string& name);
    std::vector<BVKBApplicationInfo> allSuiteApplicationsForSuite(const BVDictionary& suite);
    std::optional<BVDictionary> itemWithValue(const std::string& value, int64_t itemType);
    std::optional<int64_t> appTypeWithBundleID(const std::string& bundleID);
    std::optional<std::string> bundleURLWithBundleID(const std::string& bundleID);

    // Rule text as stored → the form matched against paths: "~" is the home, a system path is
    // under the root prefix. Expressions get the same treatment with the inserted text escaped.
    std::string expandedFullValue(const std::string& value, bool isRegex) const;

private:
    struct QuittingFile {
        std::string value;
        bool isRegExp;
        std::string bundleId;
        std::shared_ptr<BVItemSet> matcher;
    };
    void noteAccess();
    std::string prefixForFileType(FMDatabase& database, int64_t fileType);
    std::vector<std::string> prefixesForItem(FMDatabase& database, int64_t recordID);
    void fillCache(int64_t itemType, const BVScannerSet& missing, bool anyScanner);
    bool canInsertAppNoteWithInfo(const BVDictionary& info, int64_t& appType);
    BVScannerSet willChangeDatabaseForItemInfo(const BVDictionary& info, int64_t itemType,
                                               const BVScannerSet& scanners, int action);
    bool insertItem(FMDatabase& db, const BVDictionary& info, int64_t itemType, BVScannerIdentifier scanner,
                    bool writeFileNote, int64_t fileType, bool writeAppNote, int64_t appType);
    bool deleteRowsWithNotes(FMDatabase& db, const std::vector<int64_t>& records);
    bool removeSelected(const std::string& sql, const FMArguments& arguments, int64_t itemType,
                        const std::vector<BVDictionary>& infos);
    void post(const char* name, const BVArray& infos, int64_t itemType, const BVScannerSet& scanners);
    const std::map<BVScannerIdentifier, std::vector<QuittingFile>>& allQuittingFilesInfo();
    std::optional<BVDictionary> suiteWithRecord(FMDatabase& db, int64_t record);

    BVKnowledgeBaseStore store_;
    BVNotificationCenter* notificationCenter_;
    std::atomic<bool> searchForBundles_{false};

    // Item cache: (item type, scanner) -> rules. "Any scanner" sets live apart from the sets of
    // rows stored for all scanners: the first hold every rule of a type, the second only the rows
    // whose Scanner is the all-scanners value.
    std::mutex cacheLock_;
    std::map<std::pair<int64_t, BVScannerIdentifier>, BVItemSetPtr> cache_;
    std::map<int64_t, BVItemSetPtr> anyScannerCache_;

    std::once_flag quittingOnce_;
    std::map<BVScannerIdentifier, std::vector<QuittingFile>> quittingFiles_;

    std::atomic<bool> reloadEnabled_{false};
    std::atomic<bool> reloadPending_{false};
    std::atomic<int64_t> lastAccessMilliseconds_{0};
};

using BVKnowledgeBasePtr = std::shared_ptr<BVKnowledgeBase>;
