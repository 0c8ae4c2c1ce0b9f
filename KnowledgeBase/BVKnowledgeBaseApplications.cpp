// Queries about applications: file types, quitting files, the applications a file belongs to,
// update feeds and compatibility versions. All on the application database.
#include "Foundation/BVFileIO.h"
#include "Foundation/BVVersionComparator.h"
#include "KnowledgeBase/BVKnowledgeBase.h"
#include "KnowledgeBase/BVTextFolding.h"

int64_t BVKnowledgeBase::fileTypeForFilePath(const std::string& path) {
    auto app = appDatabase();
    if (!app || path.empty()) return 0;
    std::string folded = BVTextFolding::foldedForMatching(expandedFullValue(path, false));
    std::lock_guard<std::mutex> lock(app->lock);
    int64_t best = 0;
    size_t bestLength = 0;
    if (auto rows = app->database->executeQuery("SELECT * FROM FileType")) {
        while (rows->next()) {
            std::string prefix = rows->stringForColumn("PrefixPath");
            if (prefix.empty()) continue;
            std::string expanded = BVTextFolding::foldedForMatching(expandedFullValue(prefix, false));
            if (expanded.size() > bestLength && folded.compare(0, expanded.size(), expanded) == 0) {
                best = rows->longForColumn("Type");
                bestLength = expanded.size();
            }
        }
    }
    return best;
}

const std::map<BVScannerIdentifier, std::vector<BVKnowledgeBase::QuittingFile>>& BVKnowledgeBase::allQuittingFilesInfo() {
    std::call_once(quittingOnce_, [this] {
        auto app = appDatabase();
        if (!app) return;
        std::lock_guard<std::mutex> lock(app->lock);
        FMDatabase& db = *app->database;
        struct Row { int64_t record; std::string value; bool regex; BVScannerIdentifier scanner; std::string bundleId; };
        std::vector<Row> rows;
        if (auto result = db.executeQuery(
                "SELECT Item.RecordID as Record, Value, IsRegEx, Scanner, BundleID FROM Item, AppNote, Application WHERE Item.ItemType = ? "
                "AND Item.RecordID = AppNote.FileItem AND AppNote.Application = Application.RecordID ORDER BY Scanner ASC, IsRegEx ASC",
                {int64_t(BVItemTypeQuittingFile)}))
            while (result->next())
                rows.push_back({result->longForColumn("Record"), result->stringForColumn("Value"), result->boolForColumn("IsRegEx"),
                                BVScannerIdentifier(result->longForColumn("Scanner")), result->stringForColumn("BundleID")});
        for (const Row& row : rows) {
            std::vector<std::string> prefixes;
            if (auto result = db.executeQuery("SELECT PrefixPath FROM FileNote, FileType WHERE FileNote.File = ? AND FileNote.Type = FileType.Type", {row.record}))
                while (result->next()) prefixes.push_back(result->stringForColumnIndex(0));
            if (prefixes.empty()) prefixes.push_back("");
            for (const std::string& prefix : prefixes) {
                std::string joined = prefix.empty() ? row.value : BVFileIO::appendPathComponent(prefix, row.value);
                std::string full = expandedFullValue(joined, row.regex);
                auto matcher = std::make_shared<BVItemSet>();
                if (row.regex ? !matcher->addExpression(BVTextFolding::nfc(full)) : (matcher->addPlain(BVTextFolding::foldedForMatching(full)), false))
                    continue;
                matcher->finish();
                quittingFiles_[row.scanner].push_back({full, row.regex, row.bundleId, matcher});
            }
        }
    });
    return quittingFiles_;
}

std::vector<std::string> BVKnowledgeBase::appBundleIDsForQuittingFile(const std::string& path, BVScannerIdentifier scanner) {
    const auto& table = allQuittingFilesInfo();
    BVScannerSet keys = BVScannerIdentifiers::normalize(scanner);
    keys.insert(BVAllScannersIdentifier);
    std::string folded = BVTextFolding::foldedForMatching(path), nfc = BVTextFolding::nfc(path);
    std::vector<std::string> bundles;
    for (BVScannerIdentifier key : keys) {
        auto found = table.find(key);
        if (found == table.end()) continue;
        for (const QuittingFile& file : found->second)
            if (file.matcher->contains(folded, nfc) && std::find(bundles.begin(), bundles.end(), file.bundleId) == bundles.end())
                bundles.push_back(file.bundleId);
    }
    return bundles;
}

std::vector<std::string> BVKnowledgeBase::bundleIDsForApplicationFileURL(const std::string& path, BVScannerIdentifier scanner) {
    return bundleIDsForApplicationFileURL(path, fileTypeForFilePath(path), scanner);
}

std::vector<std::string> BVKnowledgeBase::bundleIDsForApplicationFileURL(const std::string& path, int64_t fileType,
                                                                         BVScannerIdentifier scanner) {
    auto app = appDatabase();
    if (!app || path.empty()) return {};
    std::string p = BVTextFolding::foldedForMatching(path);
    std::lock_guard<std::mutex> lock(app->lock);
    FMDatabase& db = *app->database;
    std::string prefix = prefixForFileType(db, fileType);
    if (!prefix.empty()) prefix = expandedFullValue(prefix, false);
    std::string sql = "SELECT Item.RecordID as RowNum, Value, IsRegEx FROM Item, FileNote WHERE Item.ItemType = 1 AND " +
                      BVScannerIdentifiers::scannerCondition(BVScannerIdentifiers::normalize(scanner)) +
                      " AND FileNote.Type = " + std::to_string(fileType) +
                      " AND FileNote.File = Item.RecordID AND ((Item.IsRegEx = 0 AND ? LIKE '%' || Item.Value) OR (Item.IsRegEx = 1)) ORDER BY IsRegEx ASC";
    std::vector<int64_t> kept;
    struct Row { int64_t record; std::string value; bool regex; };
    std::vector<Row> rows;
    if (auto result = db.executeQuery(sql, {p}))
        while (result->next()) rows.push_back({result->longForColumnIndex(0), result->stringForColumnIndex(1), result->longForColumnIndex(2) != 0});
    for (const Row& row : rows) {
        BVItemSet matcher;
        if (row.regex) {
            std::string body = prefix.empty() ? expandedFullValue(row.value, true) : BVFileIO::appendPathComponent(prefix, row.value);
            std::string anchored = "^";
            anchored += BVTextFolding::nfc(body);
            if (!matcher.addExpression(anchored)) continue;
        } else {
            std::string candidate = prefix.empty() ? expandedFullValue(row.value, false) : BVFileIO::appendPathComponent(prefix, row.value);
            matcher.addPlain(BVTextFolding::foldedForMatching(candidate));
        }
        matcher.finish();
        if (matcher.contains(p, BVTextFolding::nfc(path))) kept.push_back(row.record);
    }
    std::vector<std::string> bundles;
    for (int64_t record : kept) {
        if (auto result = db.executeQuery("SELECT BundleID FROM Application, AppNote WHERE AppNote.FileItem = ? AND AppNote.Application == Application.RecordID", {record}))
            while (result->next()) {
                std::string bundle = result->stringForColumnIndex(0);
                if (std::find(bundles.begin(), bundles.end(), bundle) == bundles.end()) bundles.push_back(bundle);
            }
    }
    return bundles;
}

std::vector<std::string> BVKnowledgeBase::applicationNamesWithBundleID(const std::string& bundleID) {
    auto app = appDatabase();
    if (!app) return {};
    std::lock_guard<std::mutex> lock(app->lock);
    std::vector<std::string> names;
    if (auto rows = app->database->executeQuery("SELECT Name FROM Application WHERE BundleID = ?", {bundleID}))
        while (rows->next()) names.push_back(rows->stringForColumnIndex(0));
    return names;
}

std::optional<std::string> BVKnowledgeBase::updateFeedURLForApplicationBundleIdentifier(const std::string& bundleID) {
    auto app = appDatabase();
    if (!app) return std::nullopt;
    std::lock_guard<std::mutex> lock(app->lock);
    return app->database->stringForQuery("SELECT SUFeedURL FROM AppUpdateFeed WHERE BundleID = ? LIMIT 1", {bundleID});
}

std::vector<BVApplicationExecutables> BVKnowledgeBase::applicationExecutables() {
    std::vector<BVApplicationExecutables> applications;
    auto app = appDatabase();
    if (!app) return applications;
    std::lock_guard<std::mutex> lock(app->lock);
    if (!app->database->stringForQuery("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?", {"AppExecutable"}))
        return applications;
    if (auto rows = app->database->executeQuery("SELECT BundleID, Executable FROM AppExecutable ORDER BY BundleID, rowid"))
        while (rows->next()) {
            std::string bundleID = rows->stringForColumnIndex(0);
            if (applications.empty() || applications.back().bundleIdentifier != bundleID)
                applications.push_back({bundleID, {}});
            applications.back().executables.push_back(rows->stringForColumnIndex(1));
        }
    return applications;
}

namespace {
// "4.2.0b3" -> "4.2.0": the text before the last "b" or "r", searched from the end without regard to case.
std::string releaseVersion(const std::string& version) {
    size_t cut = version.find_last_of("bBrR");
    return cut == std::string::npos ? version : version.substr(0, cut);
}
}  // namespace

static std::optional<std::string> supportedVersion(BVKnowledgeBase& kb, const std::string& bundleID, bool max,
                                                   const std::string& ownVersion) {
    auto app = kb.appDatabase();
    if (!app) return std::nullopt;
    std::string own = releaseVersion(ownVersion);
    std::lock_guard<std::mutex> lock(app->lock);
    FMDatabase& db = *app->database;
    std::vector<int64_t> records;
    if (auto rows = db.executeQuery("SELECT RecordID FROM Application WHERE BundleID = ?", {bundleID}))
        while (rows->next()) records.push_back(rows->longForColumnIndex(0));
    for (int64_t record : records) {
        std::optional<std::pair<std::string, std::string>> best;
        if (auto rows = db.executeQuery("SELECT BRK_Version, AppVersion FROM AppCompatibility WHERE CompatibleApp = ? AND MinMaxState = ?",
                                        {record, int64_t(max ? 1 : 0)})) {
            while (rows->next()) {
                std::string from = rows->stringForColumnIndex(0);
                if (from.empty()) from = "0.0";
                if (BVVersionComparator::compareVersion(from, own) == BVComparisonResult::Descending) continue;
                if (!best || BVVersionComparator::compareVersion(from, best->first) == BVComparisonResult::Descending)
                    best = {{from, rows->stringForColumnIndex(1)}};
            }
        }
        if (best) return best->second;
    }
    return std::nullopt;
}

std::optional<std::string> BVKnowledgeBase::maxSupportedVersionForApp(const std::string& bundleID, const std::string& ownVersion) {
    return supportedVersion(*this, bundleID, true, ownVersion);
}

std::optional<std::string> BVKnowledgeBase::minSupportedVersionForApp(const std::string& bundleID, const std::string& ownVersion) {
    return supportedVersion(*this, bundleID, false, ownVersion);
}
