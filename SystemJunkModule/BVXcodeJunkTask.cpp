#include "SystemJunkModule/BVXcodeJunkTask.h"

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLocalizedStrings.h"
#include "ScanningService/CoreScanning/BVBaseIgnoreStrategy.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"

BVXcodeJunkTask::BVXcodeJunkTask(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                                 BVJunkKnowledgeBasePtr knowledgeBase, std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
    : paths_(std::move(paths)),
      fileManager_(std::move(fileManager)),
      knowledgeBase_(std::move(knowledgeBase)),
      performer_(std::move(performer)) {
    if (paths_->layout() == BVLayout::macos)
        xcodeTasks_ = BVXcodeScanTasks::tasks(fileManager_, knowledgeBase_, paths_, performer_);
    progress_->attachProgress(toolsProgress_);
    for (const auto& task : xcodeTasks_) progress_->attachProgress(task->progress());
}

std::shared_ptr<BVXcodeJunkTask> BVXcodeJunkTask::task(const BVEnvironment& environment) {
    return std::make_shared<BVXcodeJunkTask>(environment.paths, environment.fileManager,
                                             BVEnvironmentServices::knowledgeBase(environment, BVScannerDeveloperToolJunk),
                                             environment.performer);
}

BVScanResultPtr BVXcodeJunkTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVXcodeJunkTask", identifier())) return canned;
    if (auto empty = BVSystemJunk::fakeEmptyResult(identifier())) return empty;
    std::vector<BVEntityPtr> groups;
    for (const auto& tool : BVDeveloperToolCaches::forLayout(paths_->layout())) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        if (auto group = toolGroup(tool)) groups.push_back(group);
    }
    toolsProgress_->forceComplete();
    for (const auto& task : xcodeTasks_) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        auto result = task->scan();
        for (const auto& group : result->items().value_or(std::vector<BVEntityPtr>{})) groups.push_back(group);
        // A task that found nothing to count is done all the same.
        if (auto done = std::dynamic_pointer_cast<BVProgressForceComplete>(task->progress())) done->forceComplete();
    }
    return BVScanResult::resultWithIdentifier(identifier(), groups);
}

BVEntityPtr BVXcodeJunkTask::toolGroup(const BVDeveloperToolCache& tool) {
    // A group the user put on the ignore list (by its identifier) is hidden whole.
    if (knowledgeBase_->isIgnoreItem(tool.key)) return nullptr;
    auto filter = std::make_shared<BVFileIgnorePredicate>(knowledgeBase_);

    struct Candidate {
        std::string path;
        bool readOnlyStore;
        bool isEntry;  // named by its own name; a whole folder is named by its place
    };
    std::vector<Candidate> candidates;
    for (const auto& folder : tool.folders) {
        std::string path = BVFileIO::appendPathComponent(paths_->home(), folder.subpath);
        if (!fileManager_->isDirectoryAtPath(path) || filter->shouldIgnoreObject(path)) continue;
        if (!folder.entriesAreItems) {
            candidates.push_back({path, folder.readOnlyStore, false});
            continue;
        }
        for (const auto& entry : BVSystemJunk::searchedFolderContents(*fileManager_, path, toolsProgress_))
            if (!filter->shouldIgnoreObject(entry)) candidates.push_back({entry, folder.readOnlyStore, true});
    }
    if (candidates.empty()) return nullptr;

    std::vector<std::string> measured;
    for (const auto& candidate : candidates) measured.push_back(candidate.path);
    toolsProgress_->addPendingUnitsCount(measured.size());
    auto sizes = BVSystemJunk::itemSizes(*fileManager_, measured, performer_, toolsProgress_);

    std::string name = BVLocalizedString("SystemJunkModule", std::string("DeveloperGroup.") + tool.key, tool.name);
    // A tool's group spans several folders: it is named, not placed.
    auto group = std::make_shared<BVXcodeJunkGroupModel>(std::make_shared<BVXcodeJunkItem>(name, ""), 0, false);
    BVSystemJunk::attachIgnoreStrategy(group, knowledgeBase_, tool.key);
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (!sizes[i] || *sizes[i] == 0) continue;  // not measured (cancelled), or nothing to free
        const auto& candidate = candidates[i];
        auto item = std::make_shared<BVXcodeJunkItem>(
            candidate.isEntry ? BVFileIO::lastPathComponent(candidate.path) : paths_->abbreviateHome(candidate.path), candidate.path,
            candidate.readOnlyStore ? BVXcodeJunkItemTypeReadOnlyStore : BVXcodeJunkItemTypeOther);
        auto model = std::make_shared<BVXcodeJunkItemModel>(item, *sizes[i], false);
        BVSystemJunk::attachIgnoreStrategy(model, knowledgeBase_, candidate.path);
        model->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase_, candidate.path));
        group->addChild(model);
    }
    if (group->children().empty()) return nullptr;
    return group;
}
