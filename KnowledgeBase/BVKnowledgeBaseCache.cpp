// The item cache and the membership queries built on it.
#include <set>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "KnowledgeBase/BVKnowledgeBase.h"
#include "KnowledgeBase/BVTextFolding.h"

namespace {

// A rule whose expression does not compile is logged once per process, not on every fill.
void logBadExpressionOnce(const std::string& pattern) {
    static std::mutex lock;
    static std::set<std::string> logged;
    std::lock_guard<std::mutex> guard(lock);
    if (logged.insert(pattern).second)
        BVLogger::warning(fmt::format("Skipping a knowledge-base rule whose regular expression does not compile: {}", pattern));
}

std::string escapedForExpression(const std::string& literal) {
    std::string out;
    for (unsigned char c : literal) {
        if (c < 0x80 && !std::isalnum(c)) out += '\\';
        out += char(c);
    }
    return out;
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::string BVKnowledgeBase::expandedFullValue(const std::string& value, bool isRegex) const {
    const BVPaths& p = paths();
    bool hasRoot = !p.root().empty() && p.root() != "/";
    if (!isRegex) {
        if (value == "~" || startsWith(value, "~/")) return p.expandTilde(value);
        if (hasRoot && startsWith(value, "/") && !startsWith(value, p.home() + "/") && !startsWith(value, p.root() + "/"))
            return p.systemPath(value);
        return value;
    }
    std::string anchor = startsWith(value, "^") ? "^" : "";
    std::string rest = value.substr(anchor.size());
    if (rest == "~" || startsWith(rest, "~/")) return anchor + escapedForExpression(p.home()) + rest.substr(1);
    if (hasRoot && startsWith(rest, "/")) return anchor + escapedForExpression(p.root()) + rest;
    return value;
}

std::string BVKnowledgeBase::prefixForFileType(FMDatabase& database, int64_t fileType) {
    return database.stringForQuery("SELECT PrefixPath FROM FileType WHERE Type = ?", {fileType}).value_or("");
}

std::vector<std::string> BVKnowledgeBase::prefixesForItem(FMDatabase& database, int64_t recordID) {
    std::vector<int64_t> types;
    if (auto rows = database.executeQuery("SELECT Type FROM FileNote WHERE File = ?", {recordID}))
        while (rows->next()) types.push_back(rows->longForColumnIndex(0));
    if (types.empty()) return {""};
    std::vector<std::string> prefixes;
    for (int64_t type : types) prefixes.push_back(prefixForFileType(database, type));
    return prefixes;
}

void BVKnowledgeBase::fillCache(int64_t itemType, const BVScannerSet& missing, bool anyScanner) {
    // Caller holds cacheLock_. Each database is read under its own lock, one after the other.
    std::map<BVScannerIdentifier, std::shared_ptr<BVItemSet>> built;
    auto any = std::make_shared<BVItemSet>();
    bool allScannersCached = cache_.count({itemType, BVAllScannersIdentifier}) != 0;
    std::string sql = "SELECT RecordID, Value, IsRegEx, Scanner FROM Item WHERE Item.ItemType = " +
                      std::to_string(itemType) + " AND " +
                      BVScannerIdentifiers::scannerCondition(anyScanner ? BVScannerSet{BVAllScannersIdentifier} : missing) +
                      " ORDER BY Item.Scanner ASC";
    for (const auto& locked : {appDatabase(), userDatabase()}) {
        if (!locked) continue;
        std::lock_guard<std::mutex> lock(locked->lock);
        FMDatabase& db = *locked->database;
        struct Row { int64_t record; std::string value; bool regex; BVScannerIdentifier scanner; };
        std::vector<Row> rows;
        if (auto result = db.executeQuery(sql)) {
            while (result->next())
                rows.push_back({result->longForColumnIndex(0), result->stringForColumnIndex(1),
                                result->longForColumnIndex(2) != 0, BVScannerIdentifier(result->longForColumnIndex(3))});
        }
        // Every note's prefix in one statement, rather than two statements per rule: a large
        // knowledge base has a hundred thousand rules, and the fill runs before the first lookup.
        std::multimap<int64_t, std::string> notes;
        if (auto result = db.executeQuery("SELECT FileNote.File, FileType.PrefixPath FROM FileNote LEFT JOIN FileType ON FileNote.Type = FileType.Type"))
            while (result->next()) notes.emplace(result->longForColumnIndex(0), result->stringForColumnIndex(1));
        for (const Row& row : rows) {
            if (row.value.empty()) continue;
            BVItemSet* target = nullptr;
            if (anyScanner) target = any.get();
            else if (missing.count(row.scanner) || (row.scanner == BVAllScannersIdentifier && !allScannersCached)) {
                auto& slot = built[row.scanner];
                if (!slot) slot = std::make_shared<BVItemSet>();
                target = slot.get();
            }
            if (!target) continue;  // rows of scanner 0, or all-scanner rows already cached
            auto [first, last] = notes.equal_range(row.record);
            std::vector<std::string> prefixes;
            for (auto it = first; it != last; ++it) prefixes.push_back(it->second);
            if (prefixes.empty()) prefixes.push_back("");  // no notes: the value alone
            for (const std::string& prefix : prefixes) {
                std::string joined = prefix.empty() ? row.value : BVFileIO::appendPathComponent(prefix, row.value);
                std::string full = expandedFullValue(joined, row.regex);
                if (row.regex) {
                    if (!target->addExpression(BVTextFolding::nfc(full))) logBadExpressionOnce(full);
                } else {
                    target->addPlain(BVTextFolding::foldedForMatching(full));
                }
            }
        }
    }
    if (anyScanner) {
        any->finish();
        anyScannerCache_[itemType] = any;
        return;
    }
    BVScannerSet store = missing;
    if (!allScannersCached) store.insert(BVAllScannersIdentifier);
    for (BVScannerIdentifier scanner : store) {
        auto& slot = built[scanner];
        if (!slot) slot = std::make_shared<BVItemSet>();
        slot->finish();
        cache_[{itemType, scanner}] = slot;
    }
}

std::vector<BVItemSetPtr> BVKnowledgeBase::cachedItemsInfoOfType(int64_t itemType, const BVScannerSet& scanners) {
    noteAccess();
    BVScannerSet normalized = BVScannerIdentifiers::normalize(scanners);
    std::lock_guard<std::mutex> lock(cacheLock_);
    if (normalized.count(BVAllScannersIdentifier)) {
        if (!anyScannerCache_.count(itemType)) fillCache(itemType, {}, true);
        return {anyScannerCache_[itemType]};
    }
    BVScannerSet missing;
    for (BVScannerIdentifier scanner : normalized)
        if (!cache_.count({itemType, scanner})) missing.insert(scanner);
    if (!missing.empty() || !cache_.count({itemType, BVAllScannersIdentifier})) fillCache(itemType, missing, false);
    std::vector<BVItemSetPtr> sets;
    for (BVScannerIdentifier scanner : normalized) sets.push_back(cache_[{itemType, scanner}]);
    sets.push_back(cache_[{itemType, BVAllScannersIdentifier}]);
    return sets;
}

void BVKnowledgeBase::invalidateCachesForItemType(int64_t itemType, const BVScannerSet& scanners) {
    BVScannerSet normalized = BVScannerIdentifiers::normalize(scanners);
    std::lock_guard<std::mutex> lock(cacheLock_);
    anyScannerCache_.erase(itemType);
    if (normalized.count(BVAllScannersIdentifier)) {
        for (auto it = cache_.begin(); it != cache_.end();)
            it = it->first.first == itemType ? cache_.erase(it) : std::next(it);
        return;
    }
    for (BVScannerIdentifier scanner : normalized) cache_.erase({itemType, scanner});
}

bool BVKnowledgeBase::containsItemWithFullItemValue(const std::string& value, int64_t itemType,
                                                    const BVScannerSet& scanners, bool* isUserItem) {
    if (isUserItem) *isUserItem = false;
    if (value.empty()) return false;
    std::string expanded = expandedFullValue(value, false);
    std::string folded = BVTextFolding::foldedForMatching(expanded);
    std::string nfc = BVTextFolding::nfc(expanded);
    std::string pattern;
    bool matched = false;
    for (const BVItemSetPtr& set : cachedItemsInfoOfType(itemType, scanners)) {
        if (set && set->contains(folded, nfc, isUserItem ? &pattern : nullptr)) {
            matched = true;
            break;
        }
    }
    if (!matched || !isUserItem) return matched;
    // Which database the match came from: look for an equal rule among the user's own rows.
    auto user = userDatabase();
    if (!user) return true;
    BVScannerSet normalized = BVScannerIdentifiers::normalize(scanners);
    std::lock_guard<std::mutex> lock(user->lock);
    FMDatabase& db = *user->database;
    std::string sql = "SELECT RecordID, Value FROM Item WHERE IsRegEx = ? AND ItemType = ? AND " +
                      BVScannerIdentifiers::scannerCondition(normalized);
    std::vector<std::pair<int64_t, std::string>> rows;
    if (auto result = db.executeQuery(sql, {int64_t(pattern.empty() ? 0 : 1), itemType}))
        while (result->next()) rows.emplace_back(result->longForColumnIndex(0), result->stringForColumnIndex(1));
    for (const auto& [record, stored] : rows) {
        for (const std::string& prefix : prefixesForItem(db, record)) {
            std::string joined = prefix.empty() ? stored : BVFileIO::appendPathComponent(prefix, stored);
            std::string full = expandedFullValue(joined, !pattern.empty());
            bool equal = pattern.empty() ? BVTextFolding::foldedForMatching(full) == folded : BVTextFolding::nfc(full) == pattern;
            if (equal) {
                *isUserItem = true;
                return true;
            }
        }
    }
    return true;
}

bool BVKnowledgeBase::isBlackItem(const std::string& path, BVScannerIdentifier scanner, bool checkIfSystem) {
    if (containsItemWithFullItemValue(path, BVItemTypeBlack, {scanner})) return true;
    return checkIfSystem && isSystemFileAtPath(path);
}

bool BVKnowledgeBase::isGrayItem(const std::string& path, BVScannerIdentifier scanner, bool* isUserItem) {
    return containsItemWithFullItemValue(path, BVItemTypeGray, {scanner}, isUserItem);
}

bool BVKnowledgeBase::isProtectedItem(const std::string& path, BVScannerIdentifier scanner) {
    return containsItemWithFullItemValue(path, BVItemTypeProtected, {scanner});
}

bool BVKnowledgeBase::isSystemFileAtPath(const std::string& path) {
    return containsItemWithFullItemValue(path, BVItemTypeSystemFile, {BVAllScannersIdentifier});
}

bool BVKnowledgeBase::isDisabledBySelectionMemory(const std::string& path, BVScannerIdentifier scanner) {
    return containsItemWithFullItemValue(path, BVItemTypeSelectionMemory, {scanner});
}

bool BVKnowledgeBase::shouldPerformDeepSearch(const std::string& path, BVScannerIdentifier scanner) {
    return containsItemWithFullItemValue(path, BVItemTypeDeepSearch, {scanner});
}

std::map<int64_t, int64_t> BVKnowledgeBase::ruleCountsByItemType(bool user) {
    std::map<int64_t, int64_t> counts;
    auto locked = user ? userDatabase() : appDatabase();
    if (!locked) return counts;
    std::lock_guard<std::mutex> lock(locked->lock);
    if (auto rows = locked->database->executeQuery("SELECT ItemType, count(*) FROM Item GROUP BY ItemType"))
        while (rows->next()) counts[rows->longForColumnIndex(0)] = rows->longForColumnIndex(1);
    return counts;
}
