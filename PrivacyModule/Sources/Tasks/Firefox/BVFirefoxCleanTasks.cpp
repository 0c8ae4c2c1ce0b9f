#include "PrivacyModule/Sources/Tasks/Firefox/BVFirefoxCleanTasks.h"

#include <algorithm>
#include <cerrno>
#include <set>

#include "Foundation/BVFileIO.h"
#include "PrivacyModule/Sources/Tasks/Firefox/BVFirefoxScanTasks.h"
#include "PrivacyModule/Sources/Tools/Database/BVPrivacyDatabaseController.h"

namespace {

template <class M>
std::vector<BVEntityPtr> entities(const std::vector<std::shared_ptr<M>>& models) {
    return std::vector<BVEntityPtr>(models.begin(), models.end());
}

template <class M>
BVPrivacyRows rowsOf(const BVEntityPtr& entity) {
    auto model = std::dynamic_pointer_cast<M>(entity);
    return model ? model->records() : BVPrivacyRows{};
}

}  // namespace

BVFirefoxStoreCleanTask::BVFirefoxStoreCleanTask(std::vector<BVEntityPtr> models, RowsOf rowsOf, Remove remove)
    : BVPrivacyCleanTask(std::move(models), {BVFirefoxBundleIdentifier}), rowsOf_(std::move(rowsOf)), remove_(std::move(remove)) {}

BVCleanTaskResultPtr BVFirefoxStoreCleanTask::removeModels() {
    auto progress = computableProgress();
    progress->addPendingUnitsCount(models().size());
    BVPrivacyRows rows;
    for (const auto& m : models()) {
        if (progress->isCancelled()) break;
        auto more = rowsOf_(m);
        rows.insert(rows.end(), more.begin(), more.end());
        progress->addUnitsCount(1);
    }
    BVError error;
    if (rows.empty() || remove_(rows, &error)) return BVCleanTaskResult::successfulResultForModelsTask(*this);
    return BVCleanTaskResult::failedResultForModelsTask(*this, error);
}

BVFirefoxCookiesCleanTask::BVFirefoxCookiesCleanTask(const std::vector<std::shared_ptr<BVFirefoxCookiesModel>>& models,
                                                     std::shared_ptr<BVFirefoxCookiesController> controller)
    : BVFirefoxStoreCleanTask(entities(models), rowsOf<BVFirefoxCookiesModel>,
                              [controller](const BVPrivacyRows& rows, BVError* e) { return controller->removeCookies(rows, e); }) {}

BVFirefoxBrowsingHistoryCleanTask::BVFirefoxBrowsingHistoryCleanTask(const std::vector<std::shared_ptr<BVFirefoxBrowsingHistoryModel>>& models,
                                                                     std::shared_ptr<BVFirefoxBrowsingHistoryController> controller)
    : BVFirefoxStoreCleanTask(entities(models), rowsOf<BVFirefoxBrowsingHistoryModel>,
                              [controller](const BVPrivacyRows& rows, BVError* e) { return controller->removeBrowsingHistoryItems(rows, e); }) {}

BVFirefoxDownloadsHistoryCleanTask::BVFirefoxDownloadsHistoryCleanTask(const std::vector<std::shared_ptr<BVFirefoxDownloadsHistoryModel>>& models,
                                                                       std::shared_ptr<BVFirefoxDownloadsHistoryController> controller)
    : BVFirefoxStoreCleanTask(
          entities(models),
          [](const BVEntityPtr& e) {
              auto model = std::dynamic_pointer_cast<BVFirefoxDownloadsHistoryModel>(e);
              return model ? BVPrivacyRows{model->row()} : BVPrivacyRows{};
          },
          [controller](const BVPrivacyRows& rows, BVError* e) { return controller->removeDownloads(rows, e); }) {}

BVFirefoxAutofillItemsCleanTask::BVFirefoxAutofillItemsCleanTask(const std::vector<std::shared_ptr<BVFirefoxAutofillItemsModel>>& models,
                                                                 std::shared_ptr<BVFirefoxAutofillItemsController> controller)
    : BVFirefoxStoreCleanTask(
          entities(models),
          [](const BVEntityPtr& e) {
              auto model = std::dynamic_pointer_cast<BVFirefoxAutofillItemsModel>(e);
              return model ? model->autofillItems() : BVPrivacyRows{};
          },
          [controller](const BVPrivacyRows& rows, BVError* e) { return controller->removeAutofillValues(rows, e); }) {}

BVFirefoxSavedPasswordsCleanTask::BVFirefoxSavedPasswordsCleanTask(const std::vector<std::shared_ptr<BVFirefoxSavedPasswordsModel>>& models,
                                                                   std::optional<std::string> profilePath, BVJSONReader reader)
    : BVPrivacyCleanTask(entities(models), {BVFirefoxBundleIdentifier}), profilePath_(std::move(profilePath)), reader_(std::move(reader)) {}

BVCleanTaskResultPtr BVFirefoxSavedPasswordsCleanTask::removeModels() {
    if (!profilePath_)
        return BVCleanTaskResult::failedResultForModelsTask(*this, BVError::withDescription(BVPrivacyErrorDomain, 1, "Firefox has no profile"));
    std::vector<nlohmann::ordered_json> chosen;
    std::set<std::string> guids;
    for (const auto& m : models())
        if (auto model = std::dynamic_pointer_cast<BVFirefoxSavedPasswordsModel>(m))
            for (const auto& login : model->savedPasswords()) {
                chosen.push_back(login);
                if (login.contains("guid") && login["guid"].is_string()) guids.insert(login["guid"].get<std::string>());
            }
    // The main file: entries equal to a chosen one go. The backup the browser restores from:
    // entries of the same guid go (it may hold an older copy of an entry).
    struct File {
        const char* name;
        bool byGuid;
    };
    for (File file : {File{"logins.json", false}, File{"logins-backup.json", true}}) {
        std::string path = BVFileIO::appendPathComponent(*profilePath_, file.name);
        BVError error;
        auto document = reader_.readJsonAtPath(path, &error);
        if (!document) {
            if (file.byGuid && error.posixCode() == ENOENT) continue;
            return BVCleanTaskResult::failedResultForModelsTask(*this, error);
        }
        if (!document->is_object() || !(*document)["logins"].is_array()) continue;
        auto& logins = (*document)["logins"];
        nlohmann::ordered_json kept = nlohmann::ordered_json::array();
        for (const auto& login : logins) {
            bool remove = file.byGuid ? (login.contains("guid") && login["guid"].is_string() && guids.count(login["guid"].get<std::string>()))
                                      : std::find(chosen.begin(), chosen.end(), login) != chosen.end();
            if (!remove) kept.push_back(login);
        }
        if (kept.size() == logins.size()) continue;
        logins = std::move(kept);
        if (!reader_.writeJSON(*document, path, &error)) return BVCleanTaskResult::failedResultForModelsTask(*this, error);
    }
    return BVCleanTaskResult::successfulResultForModelsTask(*this);
}
