#include "PrivacyModule/Sources/Tasks/Firefox/BVFirefoxScanTasks.h"

#include <cerrno>
#include <map>

#include "Foundation/BVFileIO.h"
#include "PrivacyModule/Sources/BVPrivacyGroupModel.h"
#include "PrivacyModule/Sources/Tasks/Firefox/BVFirefoxCleanTasks.h"
#include "PrivacyModule/Sources/Tasks/Firefox/BVFirefoxModels.h"
#include "PrivacyModule/Sources/Tools/BVURLText.h"

namespace {

std::string text(const BVPrivacyRow& row, const char* key) {
    auto found = row.find(key);
    return found == row.end() ? std::string() : found->second.stringValue();
}

// Rows grouped by `key(row)` into models of type M, in the order each key is first met.
template <class M, class Key>
std::vector<std::shared_ptr<M>> groupRows(const BVPrivacyRows& rows, Key key, const std::function<bool(const std::string&)>& advance,
                                          const std::shared_ptr<BVRemovalDependenciesFetcher>& fetcher, bool skipEmpty) {
    std::vector<std::shared_ptr<M>> models;
    std::map<std::string, std::shared_ptr<M>> byKey;
    for (const auto& row : rows) {
        std::string k = key(row);
        bool go = advance(text(row, "url").empty() ? k : text(row, "url"));
        if (!(skipEmpty && k.empty())) {
            auto& model = byKey[k];
            if (!model) {
                model = std::make_shared<M>(k);
                model->setRemovalDependenciesFetcher(fetcher);
                models.push_back(model);
            }
            model->addRecord(row);
        }
        if (!go) break;
    }
    return models;
}

}  // namespace

std::string BVFirefoxHistoryHost(const std::string& url) {
    std::string host = BVURLText::host(url);
    if (host.empty() && BVURLText::scheme(url) == "file") return "localhost";
    return host;
}

BVFirefoxCookiesScanTask::BVFirefoxCookiesScanTask(std::shared_ptr<BVFirefoxCookiesController> controller, std::vector<std::string> bundleIDs)
    : BVPrivacyScanTask(BVPrivacyModuleScanIdentifierFirefoxCookies, "BVFirefoxCookiesScanTask", std::move(bundleIDs)),
      controller_(std::move(controller)) {}

std::optional<std::vector<BVEntityPtr>> BVFirefoxCookiesScanTask::makeItems(BVError* error) {
    auto controller = controller_;
    auto group = std::make_shared<BVGenericPrivacyGroupModel>(identifier(), [controller](const std::vector<BVEntityPtr>& entries) {
        return std::make_shared<BVFirefoxCookiesCleanTask>(BVEntriesOfType<BVFirefoxCookiesModel>(entries), controller);
    });
    auto rows = controller_->fetchCookiesWithError(error);
    if (!rows) return std::nullopt;
    computableProgress()->addPendingUnitsCount(rows->size());
    // Cookies without a host are counted in the progress but not listed.
    auto models = groupRows<BVFirefoxCookiesModel>(*rows, [](const BVPrivacyRow& r) { return text(r, "host"); },
                                                   [this](const std::string& p) { return advance(p); }, dependenciesFetcher(), true);
    for (const auto& m : models) group->addChild(m);
    return std::vector<BVEntityPtr>{group};
}

BVFirefoxBrowsingHistoryScanTask::BVFirefoxBrowsingHistoryScanTask(std::shared_ptr<BVFirefoxBrowsingHistoryController> controller,
                                                                   std::vector<std::string> bundleIDs)
    : BVPrivacyScanTask(BVPrivacyModuleScanIdentifierFirefoxBrowsingHistory, "BVFirefoxBrowsingHistoryScanTask", std::move(bundleIDs)),
      controller_(std::move(controller)) {}

std::optional<std::vector<BVEntityPtr>> BVFirefoxBrowsingHistoryScanTask::makeItems(BVError* error) {
    auto controller = controller_;
    auto group = std::make_shared<BVGenericPrivacyGroupModel>(identifier(), [controller](const std::vector<BVEntityPtr>& entries) {
        return std::make_shared<BVFirefoxBrowsingHistoryCleanTask>(BVEntriesOfType<BVFirefoxBrowsingHistoryModel>(entries), controller);
    });
    auto rows = controller_->fetchBrowsingHistoryItemsWithError(error);
    if (!rows) return std::nullopt;
    computableProgress()->addPendingUnitsCount(rows->size());
    auto models = groupRows<BVFirefoxBrowsingHistoryModel>(*rows, [](const BVPrivacyRow& r) { return BVFirefoxHistoryHost(text(r, "url")); },
                                                           [this](const std::string& p) { return advance(p); }, dependenciesFetcher(), false);
    for (const auto& m : models) group->addChild(m);
    return std::vector<BVEntityPtr>{group};
}

BVFirefoxDownloadsHistoryScanTask::BVFirefoxDownloadsHistoryScanTask(std::shared_ptr<BVFirefoxDownloadsHistoryController> controller,
                                                                     std::vector<std::string> bundleIDs)
    : BVPrivacyScanTask(BVPrivacyModuleScanIdentifierFirefoxDownloadsHistory, "BVFirefoxDownloadsHistoryScanTask", std::move(bundleIDs)),
      controller_(std::move(controller)) {}

std::optional<std::vector<BVEntityPtr>> BVFirefoxDownloadsHistoryScanTask::makeItems(BVError* error) {
    auto controller = controller_;
    auto group = std::make_shared<BVGenericPrivacyGroupModel>(identifier(), [controller](const std::vector<BVEntityPtr>& entries) {
        return std::make_shared<BVFirefoxDownloadsHistoryCleanTask>(BVEntriesOfType<BVFirefoxDownloadsHistoryModel>(entries), controller);
    });
    auto rows = controller_->fetchDownloadsWithError(error);
    if (!rows) return std::nullopt;
    computableProgress()->addPendingUnitsCount(rows->size());
    for (const auto& row : *rows) {
        auto model = std::make_shared<BVFirefoxDownloadsHistoryModel>(row);
        model->setRemovalDependenciesFetcher(dependenciesFetcher());
        group->addChild(model);
        if (!advance(text(row, "url"))) break;
    }
    return std::vector<BVEntityPtr>{group};
}

BVFirefoxAutofillItemsScanTask::BVFirefoxAutofillItemsScanTask(std::shared_ptr<BVFirefoxAutofillItemsController> controller,
                                                               std::vector<std::string> bundleIDs)
    : BVPrivacyScanTask(BVPrivacyModuleScanIdentifierFirefoxAutofillValues, "BVFirefoxAutofillItemsScanTask", std::move(bundleIDs)),
      controller_(std::move(controller)) {}

std::optional<std::vector<BVEntityPtr>> BVFirefoxAutofillItemsScanTask::makeItems(BVError* error) {
    auto controller = controller_;
    auto group = std::make_shared<BVGenericPrivacyGroupModel>(identifier(), [controller](const std::vector<BVEntityPtr>& entries) {
        return std::make_shared<BVFirefoxAutofillItemsCleanTask>(BVEntriesOfType<BVFirefoxAutofillItemsModel>(entries), controller);
    });
    auto rows = controller_->fetchAutofillValuesWithError(error);
    if (!rows) return std::nullopt;
    computableProgress()->addPendingUnitsCount(rows->size());
    for (const auto& row : *rows) {
        auto model = std::make_shared<BVFirefoxAutofillItemsModel>(row);
        model->setRemovalDependenciesFetcher(dependenciesFetcher());
        group->addChild(model);
        if (!advance(text(row, "fieldname"))) break;
    }
    return std::vector<BVEntityPtr>{group};
}

BVFirefoxSavedPasswordsScanTask::BVFirefoxSavedPasswordsScanTask(std::optional<std::string> profilePath,
                                                                 std::shared_ptr<const BVPaths> paths, std::vector<std::string> bundleIDs)
    : BVPrivacyScanTask(BVPrivacyModuleScanIdentifierFirefoxSavedPasswords, "BVFirefoxSavedPasswordsScanTask", std::move(bundleIDs)),
      profilePath_(std::move(profilePath)),
      paths_(std::move(paths)) {}

std::optional<std::vector<BVEntityPtr>> BVFirefoxSavedPasswordsScanTask::makeItems(BVError* error) {
    auto profile = profilePath_;
    auto paths = paths_;
    auto group = std::make_shared<BVGenericPrivacyGroupModel>(identifier(), [profile, paths](const std::vector<BVEntityPtr>& entries) {
        return std::make_shared<BVFirefoxSavedPasswordsCleanTask>(BVEntriesOfType<BVFirefoxSavedPasswordsModel>(entries), profile,
                                                                  BVJSONReader(paths));
    });
    if (!profile) return std::vector<BVEntityPtr>{group};
    std::string path = BVFileIO::appendPathComponent(*profile, "logins.json");
    BVError problem;
    auto document = BVJSONReader(paths_).readJsonAtPath(path, &problem);
    if (!document) {
        // A profile without saved logins has no such file.
        if (problem.posixCode() == ENOENT) return std::vector<BVEntityPtr>{group};
        BVSetError(error, problem);
        return std::nullopt;
    }
    const auto logins = document->is_object() && document->contains("logins") ? (*document)["logins"] : nlohmann::ordered_json();
    if (!logins.is_array()) return std::vector<BVEntityPtr>{group};
    computableProgress()->addPendingUnitsCount(logins.size());
    std::map<std::string, std::shared_ptr<BVFirefoxSavedPasswordsModel>> byHost;
    for (const auto& login : logins) {
        bool go = true;
        if (login.is_object() && login.contains("hostname") && login["hostname"].is_string()) {
            std::string url = login["hostname"].get<std::string>();
            std::string host = BVURLText::host(url);
            auto& model = byHost[host];
            if (!model) {
                model = std::make_shared<BVFirefoxSavedPasswordsModel>(host);
                model->setRemovalDependenciesFetcher(dependenciesFetcher());
                group->addChild(model);
            }
            model->addRecord(login);
            go = advance(url);
        } else {
            go = advance(path);
        }
        if (!go) break;
    }
    return std::vector<BVEntityPtr>{group};
}

std::shared_ptr<BVPrivacyFilesTask> BVFirefoxLastSessionTabsTask(const std::string& profilePath, std::vector<std::string> bundleIDs,
                                                                 BVFileManagerPtr fileManager) {
    return std::make_shared<BVPrivacyFilesTask>(BVPrivacyModuleScanIdentifierFirefoxLastSessionTabs, profilePath,
                                                std::vector<std::string>{"sessionstore.js", "sessionstore.bak", "sessionstore.jsonlz4",
                                                                         "sessionstore-backups"},
                                                std::move(bundleIDs), std::move(fileManager));
}
