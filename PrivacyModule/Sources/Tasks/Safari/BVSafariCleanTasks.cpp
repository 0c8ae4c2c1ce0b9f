#include "PrivacyModule/Sources/Tasks/Safari/BVSafariCleanTasks.h"

#include <set>

namespace {

template <class M>
std::vector<BVEntityPtr> entities(const std::vector<std::shared_ptr<M>>& models) {
    return std::vector<BVEntityPtr>(models.begin(), models.end());
}

// Every chosen entry with the same outcome, freeing nothing.
BVCleanTaskResultPtr sameOutcome(const BVCleanTask& task, const std::optional<BVError>& error) {
    std::vector<BVRemovalResultPtr> results;
    for (const auto& m : task.models()) results.push_back(std::make_shared<BVRemovalResult>(m, 0, error));
    return std::make_shared<BVCleanTaskResult>(std::move(results));
}

}  // namespace

BVSafariBrowsingHistoryCleanTask::BVSafariBrowsingHistoryCleanTask(const std::vector<std::shared_ptr<BVSafariBrowsingHistoryModel>>& models,
                                                                   std::shared_ptr<BVSafariBrowsingHistoryDataController> controller)
    : BVPrivacyCleanTask(entities(models), {BVSafariBundleIdentifier}), controller_(std::move(controller)) {}

BVCleanTaskResultPtr BVSafariBrowsingHistoryCleanTask::removeModels() {
    auto progress = computableProgress();
    progress->addPendingUnitsCount(2);
    std::set<int64_t> visits;
    auto add = [&](const std::optional<std::vector<int64_t>>& chain) {
        if (chain) visits.insert(chain->begin(), chain->end());
    };
    for (const auto& m : models()) {
        auto model = std::dynamic_pointer_cast<BVSafariBrowsingHistoryModel>(m);
        if (!model) continue;
        for (const auto& record : model->records()) {
            visits.insert(record.identifier);
            auto sources = controller_->fetchSourceIdentifiersForVisitIdentifiers(record.identifier);
            add(sources);
            add(controller_->fetchDestinationIdentifiersForVisitIdentifier(record.identifier));
            if (sources)
                for (int64_t source : *sources) add(controller_->fetchDestinationIdentifiersForVisitIdentifier(source));
        }
    }
    progress->addUnitsCount(1);
    if (progress->isCancelled()) return std::make_shared<BVCleanTaskResult>();
    auto error = controller_->removeBrowsingHistoryForIdentifiers(std::vector<int64_t>(visits.begin(), visits.end()));
    if (!error) progress->addUnitsCount(1);
    return sameOutcome(*this, error);
}

BVSafariDownloadsHistoryCleanTask::BVSafariDownloadsHistoryCleanTask(const std::vector<std::shared_ptr<BVSafariDownloadsHistoryModel>>& models,
                                                                     std::shared_ptr<BVSafariDownloadsHistoryDataController> controller)
    : BVPrivacyCleanTask(entities(models), {BVSafariBundleIdentifier}), controller_(std::move(controller)) {}

BVCleanTaskResultPtr BVSafariDownloadsHistoryCleanTask::removeModels() {
    auto progress = computableProgress();
    progress->addPendingUnitsCount(3);
    BVError error;
    auto history = controller_->fetchDownloadsHistoryWithError(&error);
    if (!history) return sameOutcome(*this, error);
    progress->sleepThreadWhilePaused();
    if (progress->isCancelled()) return std::make_shared<BVCleanTaskResult>();
    progress->addUnitsCount(1);
    std::set<std::string> chosen;
    for (const auto& m : models())
        if (auto model = std::dynamic_pointer_cast<BVSafariDownloadsHistoryModel>(m)) chosen.insert(model->identifier());
    BVArray kept;
    for (const auto& entry : *history) {
        if (progress->isCancelled()) return std::make_shared<BVCleanTaskResult>();
        const BVValue& identifier = entry["DownloadEntryIdentifier"];
        if (!(identifier.isString() && chosen.count(identifier.stringValue()))) kept.push_back(entry);
    }
    progress->sleepThreadWhilePaused();
    if (progress->isCancelled()) return std::make_shared<BVCleanTaskResult>();
    progress->addUnitsCount(1);
    if (auto failed = controller_->saveDonwloadsHistory(kept)) return sameOutcome(*this, failed);
    progress->addUnitsCount(1);
    return sameOutcome(*this, std::nullopt);
}
