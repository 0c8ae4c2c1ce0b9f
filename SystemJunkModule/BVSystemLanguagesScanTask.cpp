#include "SystemJunkModule/BVSystemLanguagesScanTask.h"

#include <map>

#include "Foundation/BVFileIO.h"
#include "ScanningService/CoreScanning/BVBaseIgnoreStrategy.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"

BVSystemLanguagesScanTask::BVSystemLanguagesScanTask(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                                                     BVJunkKnowledgeBasePtr knowledgeBase, BVAppLangPreferences preferences,
                                                     std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
    : paths_(std::move(paths)),
      fileManager_(std::move(fileManager)),
      knowledgeBase_(std::move(knowledgeBase)),
      preferences_(std::move(preferences)),
      performer_(std::move(performer)) {
    if (paths_->layout() == BVLayout::linux)
        for (const char* place : {"/usr/share/locale", "/usr/share/man", "/usr/share/help"})
            scanLocations_.push_back(paths_->systemPath(place));
}

std::shared_ptr<BVSystemLanguagesScanTask> BVSystemLanguagesScanTask::task(const BVEnvironment& environment) {
    return std::make_shared<BVSystemLanguagesScanTask>(
        environment.paths, environment.fileManager, BVEnvironmentServices::knowledgeBase(environment, BVScannerSystemLocalizations),
        BVAppLangPreferences::fromEnvironment(), environment.performer);
}

BVScanResultPtr BVSystemLanguagesScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVSystemLanguagesScanTask", identifier())) return canned;
    if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier());
    auto filter = std::make_shared<BVFileIgnorePredicate>(knowledgeBase_);

    // code -> its folders, in the order of the locations
    std::map<std::string, std::vector<std::string>> languages;
    for (const auto& location : scanLocations_) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        if (!fileManager_->isDirectoryAtPath(location) || filter->shouldIgnoreObject(location)) continue;
        for (const auto& entry : BVSystemJunk::searchedFolderContents(*fileManager_, location, progress_)) {
            auto code = BVLanguageCodes::localeFolderCode(BVFileIO::lastPathComponent(entry));
            if (!code || preferences_.isProtectedISOCode(*code)) continue;
            if (!fileManager_->isDirectoryAtPath(entry) || filter->shouldIgnoreObject(entry)) continue;
            languages[*code].push_back(entry);
        }
    }

    std::vector<BVEntityPtr> items;
    for (const auto& [code, folders] : languages) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        if (knowledgeBase_->isIgnoreItem(code) || preferences_.shouldKeepLanguageWithCode(code)) continue;
        progress_->addPendingUnitsCount(folders.size());
        auto sizes = BVSystemJunk::itemSizes(*fileManager_, folders, performer_, progress_);
        // Package files: the user decides, knowing that an upgrade brings them back.
        auto language = std::make_shared<BVLocalizationLanguageModel>(code, false);
        BVSystemJunk::attachIgnoreStrategy(language, knowledgeBase_, code);
        for (size_t i = 0; i < folders.size(); ++i)
            if (sizes[i] && *sizes[i] > 0) language->addChild(BVSystemJunk::fileModel(folders[i], *sizes[i], knowledgeBase_, false));
        if (language->size() == 0) continue;
        items.push_back(language);
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}
