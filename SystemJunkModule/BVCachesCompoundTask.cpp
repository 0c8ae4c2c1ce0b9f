#include "SystemJunkModule/BVCachesCompoundTask.h"

#include <stdexcept>

#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "SystemJunkModule/BVApplicationFolderCachesScanTask.h"
#include "SystemJunkModule/BVCacheScanTask.h"
#include "SystemJunkModule/BVCachesContext.h"
#include "SystemJunkModule/BVDropboxCacheScanTask.h"
#include "SystemJunkModule/BVSpecialAppsCacheScanTask.h"
#include "SystemJunkModule/BVSpotifyCacheScanTask.h"

namespace {

BVProgressPtr progressOf(const BVScanTaskPtr& task) {
    auto reporting = std::dynamic_pointer_cast<BVProgressReporting>(task);
    if (!reporting) throw std::invalid_argument("a cache compound's sub-task must report progress");
    return reporting->progress();
}

}  // namespace

BVCachesCompoundTask::BVCachesCompoundTask(std::string identifier, BVJunkKnowledgeBasePtr knowledgeBase,
                                           std::vector<BVScanTaskPtr> tasks, std::map<std::string, BVScanTaskPtr> groupedTasks,
                                           std::optional<std::string> sandboxContainerPath)
    : identifier_(std::move(identifier)),
      progress_(BVCompoundProgress::create()),
      tasks_(std::move(tasks)),
      groupedTasks_(std::move(groupedTasks)),
      knowledgeBase_(std::move(knowledgeBase)),
      sandboxContainerPath_(std::move(sandboxContainerPath)) {
    for (const auto& task : tasks_) progress_->attachProgress(progressOf(task));
    for (const auto& [key, task] : groupedTasks_) progress_->attachProgress(progressOf(task));
}

BVScanResultPtr BVCachesCompoundTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVCachesCompoundTask", identifier_)) return canned;
    if (auto empty = BVSystemJunk::fakeEmptyResult(identifier_)) return empty;
    if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier_);

    BVCachesContext context(knowledgeBase_, sandboxContainerPath_);
    for (const auto& task : tasks_) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        auto result = task->scan();
        for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{})) context.addItem(item);
    }
    for (const auto& [group, task] : groupedTasks_) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        auto result = task->scan();
        for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{}))
            if (item->size() != 0) context.addItem(item, group);
    }
    std::vector<BVEntityPtr> groups;
    for (const auto& group : context.cacheGroups()) groups.push_back(group);
    return BVScanResult::resultWithIdentifier(identifier_, groups);
}

namespace BVSystemCachesCompoundTask {
std::shared_ptr<BVCachesCompoundTask> task(const BVEnvironment& environment) {
    return std::make_shared<BVCachesCompoundTask>(
        "BVSystemJunkScanIdentifierSystemCachesCompound", BVEnvironmentServices::knowledgeBase(environment, BVScannerSystemCaches),
        std::vector<BVScanTaskPtr>{BVSystemCachesScanTask::task(environment), BVSpecialAppsCacheScanTask::systemAppsCacheScanTask(environment)},
        std::map<std::string, BVScanTaskPtr>{},
        environment.paths->sandboxContainer());
}
}  // namespace BVSystemCachesCompoundTask

namespace BVUserCachesCompoundTask {
std::shared_ptr<BVCachesCompoundTask> task(const BVEnvironment& environment) {
    return std::make_shared<BVCachesCompoundTask>(
        "BVSystemJunkScanIdentifierUserCachesCompound", BVEnvironmentServices::knowledgeBase(environment, BVScannerUserCaches),
        std::vector<BVScanTaskPtr>{BVUserCachesScanTask::task(environment), BVDarwinUserCachesScanTask::task(environment),
                                   BVSandboxContainersCachesScanTask::task(environment),
                                   BVApplicationFolderCachesScanTask::task(environment),
                                   BVSpecialAppsCacheScanTask::userAppsCacheScanTask(environment)},
        std::map<std::string, BVScanTaskPtr>{{"com.getdropbox.dropbox", BVDropboxCacheScanTask::task(environment)},
                                             {"com.spotify.client", BVSpotifyCacheScanTask::task(environment)}},
        environment.paths->sandboxContainer());
}
}  // namespace BVUserCachesCompoundTask
