#include "PrivacyModule/Sources/Tools/Safari/BVSafariDataControllers.h"

#include <unistd.h>

#include "Foundation/BVFileReplacement.h"
#include "Foundation/BVPlistCodec.h"
#include "PrivacyModule/Sources/Tools/Database/BVPrivacyStatement.h"

namespace {
constexpr const char* kSourcesStatement = "SELECT id, redirect_source FROM history_visits WHERE redirect_destination = %@";
constexpr const char* kDestinationsStatement = "SELECT id, redirect_destination FROM history_visits WHERE redirect_source = %@";

BVError noPermission(const std::string& path) {
    BVError error(BVCocoaErrorDomain, BVCocoaErrorFileReadNoPermission,
                  BVDictionary{{BVLocalizedDescriptionKey, BVValue("The file " + path + " couldn't be opened because you don't have permission to view it.")},
                               {BVFilePathErrorKey, BVValue(path)}});
    return error;
}
}  // namespace

std::optional<BVPrivacyRows> BVSafariBrowsingHistoryDataController::fetchVisitsHistoryWithError(BVError* error) {
    auto statement = databaseController_->queryFromKnowledgeBaseForKey("PrivacySafariHistoryQuery");
    if (!statement) return std::nullopt;
    auto rows = databaseController_->objectsForQuery(*statement);
    if (!rows && databaseController_->error()) BVSetError(error, *databaseController_->error());
    databaseController_->closeConnection();
    return rows;
}

std::optional<std::vector<int64_t>> BVSafariBrowsingHistoryDataController::chain(int64_t visit, const char* statement,
                                                                                 const char* next) {
    std::vector<int64_t> out;
    std::set<int64_t> seen{visit};
    int64_t at = visit;
    for (;;) {
        auto rows = databaseController_->objectsForQuery(BVPrivacyStatement::format(statement, {std::to_string(at)}));
        if (!rows || rows->empty()) break;
        const BVPrivacyRow& first = rows->front();
        auto id = first.find("id");
        if (id == first.end() || !id->second.isInteger()) break;
        int64_t found = id->second.int64Value();
        if (!seen.insert(found).second) break;
        out.push_back(found);
        auto link = first.find(next);
        if (link == first.end() || link->second.isNull()) break;
        at = found;
    }
    if (out.empty()) return std::nullopt;
    return out;
}

std::optional<std::vector<int64_t>> BVSafariBrowsingHistoryDataController::fetchSourceIdentifiersForVisitIdentifiers(int64_t visit) {
    return chain(visit, kSourcesStatement, "redirect_source");
}

std::optional<std::vector<int64_t>> BVSafariBrowsingHistoryDataController::fetchDestinationIdentifiersForVisitIdentifier(int64_t visit) {
    return chain(visit, kDestinationsStatement, "redirect_destination");
}

std::optional<BVError> BVSafariBrowsingHistoryDataController::removeBrowsingHistoryForIdentifiers(const std::vector<int64_t>& visits) {
    if (visits.empty()) return std::nullopt;
    auto items = databaseController_->queryFromKnowledgeBaseForKey("PrivacySafariHistoryRemoveQuery");
    auto visitsStatement = databaseController_->queryFromKnowledgeBaseForKey("PrivacySafariHistoryItemsRemoveQuery");
    if (!items || !visitsStatement) {
        databaseController_->failWithDescription("Cannot get history removal queries for Safari from KnowledgeBase");
        return databaseController_->error();
    }
    std::string list = BVPrivacyStatement::joinedIdentifiers(visits, ",");
    bool ok = databaseController_->performInTransaction([&] {
        return databaseController_->performQuery(BVPrivacyStatement::format(*items, {list})) &&
               databaseController_->performQuery(BVPrivacyStatement::format(*visitsStatement, {list}));
    });
    if (ok) databaseController_->closeConnection();
    return ok ? std::nullopt : databaseController_->error();
}

std::optional<BVDictionary> BVSafariDownloadsHistoryDataController::readDictionary() const {
    if (::access(downloadsPath_.c_str(), W_OK) != 0) return std::nullopt;
    std::string bytes;
    if (!BVFileReplacement::readFile(paths_->resolver(), downloadsPath_, bytes, BVPlistCodec::kMaximumInputBytes, nullptr))
        return std::nullopt;
    auto decoded = BVPlistCodec::decode(bytes);
    if (!decoded || !decoded->isDictionary()) return std::nullopt;
    return decoded->dictionaryValue();
}

std::optional<BVArray> BVSafariDownloadsHistoryDataController::fetchDownloadsHistoryWithError(BVError* error) const {
    auto dictionary = readDictionary();
    if (!dictionary) {
        BVSetError(error, noPermission(downloadsPath_));
        return std::nullopt;
    }
    auto found = dictionary->find("DownloadHistory");
    if (found == dictionary->end()) return BVArray{};
    return found->second.arrayValue();
}

std::optional<BVError> BVSafariDownloadsHistoryDataController::saveDonwloadsHistory(const BVArray& history) const {
    auto dictionary = readDictionary();
    if (!dictionary) return noPermission(downloadsPath_);
    (*dictionary)["DownloadHistory"] = BVValue(history);
    if (!BVFileReplacement::replaceFile(paths_->resolver(), downloadsPath_, BVPlistCodec::encode(BVValue(*dictionary)), nullptr))
        return noPermission(downloadsPath_);
    return std::nullopt;
}
