#include "PrivacyModule/Sources/Tasks/Safari/BVSafariScanTasks.h"

#include <map>

#include "Foundation/BVFileIO.h"
#include "PrivacyModule/Sources/Tasks/Safari/BVSafariModels.h"
#include "PrivacyModule/Sources/Tools/BVURLText.h"

namespace {

// The entries of a map kept in the order their keys were first met.
template <class M>
struct OrderedModels {
    std::map<std::string, std::shared_ptr<M>> byKey;
    template <class Make>
    std::shared_ptr<M> get(const std::string& key, Make make, const std::shared_ptr<BVTreeEntity>& group) {
        auto& model = byKey[key];
        if (!model) {
            model = make();
            group->addChild(model);
        }
        return model;
    }
};

BVDate birthDate(const BVFileIdentity& identity) { return BVDate{double(identity.birthSeconds) + identity.birthNanoseconds / 1e9}; }

}  // namespace

BVSafariBrowsingHistoryTask::BVSafariBrowsingHistoryTask(std::shared_ptr<BVSafariBrowsingHistoryDataController> controller,
                                                         std::vector<std::string> bundleIDs)
    : BVPrivacyScanTask(BVPrivacyModuleScanIdentifierSafariBrowsingHistory, "BVSafariBrowsingHistoryTask", std::move(bundleIDs)),
      controller_(std::move(controller)) {}

std::optional<std::vector<BVEntityPtr>> BVSafariBrowsingHistoryTask::makeItems(BVError* error) {
    auto group = std::make_shared<BVSafariBrowsingHistoryGroupModel>(identifier(), controller_);
    auto rows = controller_->fetchVisitsHistoryWithError(error);
    if (!rows) {
        // A missing statement finds nothing; a store that cannot be read is the error.
        if (controller_->databaseController()->error()) return std::nullopt;
        return std::vector<BVEntityPtr>{group};
    }
    computableProgress()->addPendingUnitsCount(rows->size());
    OrderedModels<BVSafariBrowsingHistoryModel> sites;
    for (const auto& row : *rows) {
        auto id = row.find("id"), url = row.find("url"), time = row.find("visit_time"), title = row.find("title");
        std::string link = url == row.end() ? std::string() : url->second.stringValue();
        if (id != row.end() && id->second.isInteger() && url != row.end() && url->second.isString() && time != row.end() &&
            time->second.isNumber()) {
            std::string site = title == row.end() ? std::string() : title->second.stringValue();
            if (site.empty()) site = BVURLText::host(link);
            auto model = sites.get(site, [&] {
                auto m = std::make_shared<BVSafariBrowsingHistoryModel>(site);
                m->setRemovalDependenciesFetcher(dependenciesFetcher());
                return m;
            }, group);
            model->addRecord({id->second.int64Value(), link, BVDate{time->second.doubleValue()}});
        }
        if (!advance(link)) break;
    }
    return std::vector<BVEntityPtr>{group};
}

BVSafariDownloadsHistoryTask::BVSafariDownloadsHistoryTask(std::shared_ptr<BVSafariDownloadsHistoryDataController> controller,
                                                           std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                                                           std::vector<std::string> bundleIDs)
    : BVPrivacyScanTask(BVPrivacyModuleScanIdentifierSafariDownloadsHistory, "BVSafariDownloadsHistoryTask", std::move(bundleIDs)),
      controller_(std::move(controller)),
      paths_(std::move(paths)),
      fileManager_(std::move(fileManager)) {}

std::optional<std::vector<BVEntityPtr>> BVSafariDownloadsHistoryTask::makeItems(BVError* error) {
    auto group = std::make_shared<BVSafariDownloadsHistoryGroupModel>(identifier(), controller_);
    BVError problem;
    auto history = controller_->fetchDownloadsHistoryWithError(&problem);
    if (!history) {
        // No download list is nothing to show; one that cannot be read is the error.
        if (!fileManager_->fileExistsAtPath(controller_->downloadsPath())) return std::vector<BVEntityPtr>{group};
        BVSetError(error, problem);
        return std::nullopt;
    }
    computableProgress()->addPendingUnitsCount(history->size());
    for (const auto& entry : *history) {
        std::string path = entry["DownloadEntryPostPath"].isString() ? entry["DownloadEntryPostPath"].stringValue()
                                                                    : entry["DownloadEntryPath"].stringValue();
        path = paths_->expandTilde(path);
        if (!path.empty() && entry["DownloadEntryIdentifier"].isString()) {
            std::optional<BVDate> date = entry["DownloadEntryDateAddedKey"].dateValue();
            if (!date)
                if (auto identity = fileManager_->identityAtPath(path, nullptr); identity && identity->birthSeconds > 0) date = birthDate(*identity);
            if (date) {
                auto model = std::make_shared<BVSafariDownloadsHistoryModel>(entry.dictionaryValue(), BVFileIO::lastPathComponent(path), *date);
                model->setRemovalDependenciesFetcher(dependenciesFetcher());
                group->addChild(model);
            }
        }
        if (!advance(path)) break;
    }
    return std::vector<BVEntityPtr>{group};
}

BVSafariCookiesTask::BVSafariCookiesTask(BVHTTPCookieStoragePtr storage, std::vector<std::string> bundleIDs)
    : BVPrivacyScanTask(BVPrivacyModuleScanIdentifierSafariCookies, "BVSafariCookiesTask", std::move(bundleIDs)), storage_(std::move(storage)) {}

std::optional<std::vector<BVEntityPtr>> BVSafariCookiesTask::makeItems(BVError*) {
    auto group = std::make_shared<BVPrivacyGroupModel>(identifier());
    if (!storage_) return std::vector<BVEntityPtr>{group};
    auto cookies = storage_->cookies();
    computableProgress()->addPendingUnitsCount(cookies.size());
    OrderedModels<BVSafariCookiesModel> domains;
    for (const auto& cookie : cookies) {
        if (!cookie.domain.empty() && cookie.properties.count("Created") && cookie.domain.find(BVPrivacyMakerWebDomain) == std::string::npos) {
            domains.get(cookie.domain, [&] {
                auto m = std::make_shared<BVSafariCookiesModel>(cookie.domain, storage_);
                m->setRemovalDependenciesFetcher(dependenciesFetcher());
                return m;
            }, group)->addCookie(cookie);
        }
        if (!advance(cookie.domain)) break;
    }
    return std::vector<BVEntityPtr>{group};
}

std::optional<std::string> BVSafariLocalStorageSite(const std::string& relativePath) {
    std::string name = BVFileIO::lastPathComponent(relativePath);
    if (BVFileIO::pathExtension(name) != "localstorage") return std::nullopt;
    if (relativePath.find(BVPrivacyMakerWebDomain) != std::string::npos || relativePath.find("file__") != std::string::npos) return std::nullopt;
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = name.find('_', start)) != std::string::npos; start = at + 1) parts.push_back(name.substr(start, at - start));
    parts.push_back(name.substr(start));
    if (parts.size() < 2) return std::nullopt;
    // Current names lead with the origin's scheme; the site is the host after it.
    if (parts.size() >= 3 && (parts[0] == "http" || parts[0] == "https")) return parts[1];
    return parts[0];
}

BVSafariLocalStorageTask::BVSafariLocalStorageTask(std::string safariFolder, BVFileManagerPtr fileManager, std::vector<std::string> bundleIDs)
    : BVPrivacyScanTask(BVPrivacyModuleScanIdentifierSafariLocalStorage, "BVSafariLocalStorageTask", std::move(bundleIDs)),
      safariFolder_(std::move(safariFolder)),
      fileManager_(std::move(fileManager)) {}

std::optional<std::vector<BVEntityPtr>> BVSafariLocalStorageTask::makeItems(BVError*) {
    auto group = std::make_shared<BVPrivacyGroupModel>(identifier());
    computableProgress()->addPendingUnitsCount(1);
    std::string root = BVFileIO::appendPathComponent(safariFolder_, "LocalStorage");
    OrderedModels<BVPrivacyFilesGroupModel> sites;
    std::vector<std::pair<std::string, int>> pending{{root, 0}};
    while (!pending.empty() && !computableProgress()->isCancelled()) {
        auto [folder, depth] = pending.back();
        pending.pop_back();
        for (const auto& child : fileManager_->contentsOfDirectoryAtURL(folder, nullptr, BVDirectoryEnumerationNone)) {
            auto identity = fileManager_->identityAtPath(child, nullptr);
            if (!identity) continue;
            if (identity->isDirectory()) {
                if (depth < 16) pending.push_back({child, depth + 1});
                continue;
            }
            if (!identity->isRegularFile()) continue;
            auto site = BVSafariLocalStorageSite(child.substr(root.size() + 1));
            if (!site) continue;
            auto file = BVPrivacyFileModel::modelWithPath(child, identity->allocatedBytes, birthDate(*identity));
            file->setRemovalDependenciesFetcher(dependenciesFetcher());
            sites.get(*site, [&] {
                auto m = std::make_shared<BVPrivacyFilesGroupModel>(*site);
                m->setRemovalDependenciesFetcher(dependenciesFetcher());
                return m;
            }, group)->addFile(file);
        }
    }
    advance(root);
    return std::vector<BVEntityPtr>{group};
}
