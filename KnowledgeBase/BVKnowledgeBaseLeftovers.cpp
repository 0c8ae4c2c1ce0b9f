// An application's leftovers as the knowledge base describes them: its type-1 items, resolved
// against the file system (and, for preference files and receipts, against the system lists
// of the injector).
#include "Foundation/BVFileIO.h"
#include "Foundation/BVFileManager.h"
#include "KnowledgeBase/BVItemSet.h"
#include "KnowledgeBase/BVKnowledgeBase.h"
#include "KnowledgeBase/BVKnowledgeBaseInjector.h"
#include "KnowledgeBase/BVTextFolding.h"

BVKnowledgeBaseInjector& BVKnowledgeBaseInjector::injector() {
    static BVKnowledgeBaseInjector shared;
    return shared;
}

std::shared_ptr<const BVKnowledgeBaseSystemInfo> BVKnowledgeBaseInjector::systemInfo() const {
    std::lock_guard<std::mutex> lock(lock_);
    return systemInfo_;
}

void BVKnowledgeBaseInjector::setSystemInfo(std::shared_ptr<const BVKnowledgeBaseSystemInfo> systemInfo) {
    std::lock_guard<std::mutex> lock(lock_);
    systemInfo_ = std::move(systemInfo);
}

namespace {

struct Description {
    int64_t fileType;
    std::string fileName, prefixPath;
    bool otherApps, regExp;
};

std::string withoutBackslashes(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

}  // namespace

std::vector<BVDictionary> BVKnowledgeBase::applicationFilesForAppName(const std::string& name, const std::string& bundleId,
                                                                      BVScannerIdentifier scanner) {
    if (name.empty() && bundleId.empty()) return {};
    auto app = appDatabase();
    if (!app) return {};
    std::vector<int64_t> records;
    {
        std::lock_guard<std::mutex> lock(app->lock);
        FMDatabase& db = *app->database;
        auto collect = [&](const char* sql, const FMArguments& arguments) {
            if (auto rows = db.executeQuery(sql, arguments))
                while (rows->next()) records.push_back(rows->longForColumnIndex(0));
        };
        if (!name.empty() && !bundleId.empty()) collect("SELECT RecordID FROM Application WHERE Name = ? AND BundleID = ?", {name, bundleId});
        if (records.empty() && !bundleId.empty()) collect("SELECT RecordID FROM Application WHERE BundleID = ?", {bundleId});
    }
    return applicationFilesForApps(records, scanner);
}

std::vector<BVDictionary> BVKnowledgeBase::applicationFilesForApps(const std::vector<int64_t>& records, BVScannerIdentifier scanner) {
    auto app = appDatabase();
    if (!app || records.empty()) return {};
    std::vector<Description> descriptions;
    {
        std::lock_guard<std::mutex> lock(app->lock);
        FMDatabase& db = *app->database;
        std::string condition = BVScannerIdentifiers::scannerCondition(BVScannerIdentifiers::normalize(scanner));
        for (int64_t record : records) {
            struct Row { int64_t item; std::string value; bool regex; };
            std::vector<Row> rows;
            std::string sql = "SELECT FileItem, Value, IsRegEx FROM AppNote, Item WHERE AppNote.Application = " + std::to_string(record) +
                              " AND AppNote.FileItem = Item.RecordID AND " + condition + " AND Item.ItemType = 1";
            if (auto result = db.executeQuery(sql))
                while (result->next()) rows.push_back({result->longForColumnIndex(0), result->stringForColumnIndex(1), result->longForColumnIndex(2) != 0});
            for (const Row& row : rows) {
                bool otherApps = records.size() >= 2 ||
                                 db.longForQuery("SELECT count(Application) FROM AppNote WHERE FileItem = ?", {row.item}) > 1;
                std::vector<int64_t> types;
                if (auto notes = db.executeQuery("SELECT Type FROM FileNote WHERE File = ?", {row.item}))
                    while (notes->next()) types.push_back(notes->longForColumnIndex(0));
                if (types.empty()) types.push_back(0);
                for (int64_t type : types) {
                    std::string prefix = type == 23 ? paths().userTempPath().value_or("") : prefixForFileType(db, type);
                    descriptions.push_back({type, row.value, prefix, otherApps, row.regex});
                }
            }
        }
    }
    auto systemInfo = BVKnowledgeBaseInjector::injector().systemInfo();
    auto fileManager = BVFileManager::defaultManager();
    std::vector<BVDictionary> results;
    for (const Description& d : descriptions) {
        std::string joined = d.prefixPath.empty() ? d.fileName : BVFileIO::appendPathComponent(d.prefixPath, d.fileName);
        if (d.fileType == 24 || d.regExp) {
            BVItemSet matcher;
            if (!matcher.addExpression(BVTextFolding::nfc(expandedFullValue(joined, true)))) continue;
            matcher.finish();
            std::vector<std::string> candidates;
            if (d.fileType == 8 || d.fileType == 14 || d.fileType == 24) {
                if (systemInfo) {
                    candidates = d.fileType == 8    ? systemInfo->localPreferenceFiles()
                                 : d.fileType == 14 ? systemInfo->userPreferenceFiles()
                                                    : systemInfo->systemReceipts();
                }
            } else {
                std::string folder = BVFileIO::parentPath(withoutBackslashes(expandedFullValue(joined, false)));
                candidates = fileManager->contentsOfDirectoryAtURL(folder, nullptr, 0);
            }
            auto matches = [&](const std::string& text) {
                return matcher.contains(BVTextFolding::foldedForMatching(text), BVTextFolding::nfc(text));
            };
            for (const std::string& candidate : candidates) {
                // Receipt and preference rules may name the file alone rather than its whole path.
                if (!matches(candidate) && !matches(BVFileIO::lastPathComponent(candidate))) continue;
                if (d.fileType == 24) {
                    std::string file = BVFileIO::lastPathComponent(candidate);
                    std::string extension = BVFileIO::pathExtension(file);
                    if (!extension.empty()) file = file.substr(0, file.size() - extension.size() - 1);
                    results.push_back({{"FileName", file}, {"FileType", int64_t(15)}, {"ConnectedToOtherApps", d.otherApps}});
                } else {
                    results.push_back({{"File", candidate}, {"FileType", d.fileType}, {"ConnectedToOtherApps", d.otherApps}});
                }
            }
            continue;
        }
        std::string path = expandedFullValue(joined, false);
        if (fileManager->fileExistsAtPath(path))
            results.push_back({{"File", path}, {"FileType", d.fileType}, {"ConnectedToOtherApps", d.otherApps}});
        else if (d.fileType == 15)
            results.push_back({{"FileName", d.fileName}, {"FileType", int64_t(15)}, {"ConnectedToOtherApps", d.otherApps}});
    }
    return results;
}
