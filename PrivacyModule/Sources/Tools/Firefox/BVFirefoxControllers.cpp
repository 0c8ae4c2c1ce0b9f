#include "PrivacyModule/Sources/Tools/Firefox/BVFirefoxControllers.h"

#include "PrivacyModule/Sources/Tools/BVURLText.h"
#include "PrivacyModule/Sources/Tools/Database/BVPrivacyStatement.h"

namespace {
constexpr const char* kPlacesMissing = "Cannot get information about places query for FireFox from KnowledgeBase";
constexpr const char* kVisitsMissing = "Cannot get information about visits query for Firefox from KnowledgeBase";
constexpr const char* kAutofillMissing = "Cannot get information about autofill removal query for FireFox from KnowledgeBase";
constexpr const char* kCookiesMissing = "Cannot get information about cookies removal query for FireFox from KnowledgeBase";
}  // namespace

std::vector<int64_t> BVPrivacyRowIdentifiers(const BVPrivacyRows& rows) {
    std::vector<int64_t> out;
    for (const auto& row : rows) {
        auto found = row.find("id");
        if (found != row.end() && found->second.isInteger()) out.push_back(found->second.int64Value());
    }
    return out;
}

std::optional<BVPrivacyRows> BVPrivacyDatabaseDependentController::fetch(const char* key, bool closeAfter, BVError* error) {
    auto statement = databaseController_->queryFromKnowledgeBaseForKey(key);
    if (!statement || !databaseController_->databaseExists()) return BVPrivacyRows{};
    auto rows = databaseController_->objectsForQuery(*statement);
    if (!rows && databaseController_->error()) BVSetError(error, *databaseController_->error());
    if (closeAfter) databaseController_->closeConnection();
    return rows;
}

bool BVPrivacyDatabaseDependentController::removeRows(const std::vector<std::pair<const char*, const char*>>& keysAndMissing,
                                                      const std::string& list, bool closeAfter, BVError* error) {
    std::vector<std::string> statements;
    for (const auto& [key, missing] : keysAndMissing) {
        auto statement = databaseController_->queryFromKnowledgeBaseForKey(key);
        if (!statement) {
            databaseController_->failWithDescription(missing);
            BVSetError(error, *databaseController_->error());
            return false;
        }
        statements.push_back(BVPrivacyStatement::format(*statement, {list}));
    }
    bool ok = databaseController_->performInTransaction([&] {
        bool all = true;
        // Every statement runs even after one failed; the transaction then undoes them all.
        for (const auto& s : statements) all = databaseController_->performQuery(s) && all;
        return all;
    });
    if (!ok && databaseController_->error()) BVSetError(error, *databaseController_->error());
    if (closeAfter) databaseController_->closeConnection();
    return ok;
}

std::optional<BVPrivacyRows> BVFirefoxCookiesController::fetchCookiesWithError(BVError* error) {
    return fetch("PrivacyFirefoxCookiesQuery", false, error);
}

bool BVFirefoxCookiesController::removeCookies(const BVPrivacyRows& cookies, BVError* error) {
    return removeRows({{"PrivacyFirefoxRemoveCookiesQuery", kCookiesMissing}},
                      BVPrivacyStatement::joinedIdentifiers(BVPrivacyRowIdentifiers(cookies), ","), false, error);
}

std::optional<BVPrivacyRows> BVFirefoxBrowsingHistoryController::fetchBrowsingHistoryItemsWithError(BVError* error) {
    return fetch("PrivacyFirefoxHistoryQuery", true, error);
}

bool BVFirefoxBrowsingHistoryController::removeBrowsingHistoryItems(const BVPrivacyRows& items, BVError* error) {
    return removeRows({{"PrivacyFirefoxRemoveHistoryPlacesQuery", kPlacesMissing}, {"PrivacyFirefoxRemoveHistoryVisitsQuery", kVisitsMissing}},
                      BVPrivacyStatement::joinedIdentifiers(BVPrivacyRowIdentifiers(items), ", "), true, error);
}

std::optional<BVPrivacyRows> BVFirefoxDownloadsHistoryController::fetchDownloadsWithError(BVError* error) {
    auto rows = fetch("PrivacyFirefoxDownloadsQuery", false, error);
    if (rows)
        for (auto& row : *rows)
            if (auto url = row.find("url"); url != row.end() && url->second.isString())
                row["filename"] = BVFirefoxDownloadFileName(url->second.stringValue());
    return rows;
}

bool BVFirefoxDownloadsHistoryController::removeDownloads(const BVPrivacyRows& downloads, BVError* error) {
    return removeRows({{"PrivacyFirefoxRemoveHistoryPlacesQuery", kPlacesMissing}, {"PrivacyFirefoxRemoveHistoryVisitsQuery", kVisitsMissing}},
                      BVPrivacyStatement::joinedIdentifiers(BVPrivacyRowIdentifiers(downloads), ", "), true, error);
}

std::optional<BVPrivacyRows> BVFirefoxAutofillItemsController::fetchAutofillValuesWithError(BVError* error) {
    return fetch("PrivacyFirefoxAutofillItemsQuery", true, error);
}

bool BVFirefoxAutofillItemsController::removeAutofillValues(const BVPrivacyRows& values, BVError* error) {
    return removeRows({{"PrivacyFirefoxRemoveAutofillQuery", kAutofillMissing}},
                      BVPrivacyStatement::joinedIdentifiers(BVPrivacyRowIdentifiers(values), ", "), true, error);
}

std::string BVFirefoxDownloadFileName(const std::string& url) {
    std::string path = BVURLText::path(url);
    size_t slash = path.find_last_of('/');
    return BVURLText::percentDecoded(slash == std::string::npos ? path : path.substr(slash + 1));
}
