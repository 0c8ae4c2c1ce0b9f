#include "OptimizationModule/BVLaunchAgentsScanTask.h"

#include "Foundation/BVFileIO.h"
#include "Foundation/BVPaths.h"
#include "Foundation/QLFileSizer.h"
#include "OptimizationModule/BVLaunchAgentModel.h"
#include "OptimizationModule/BVLoginItemsScanTasks.h"
#include "OptimizationModule/BVStartupKnowledgeBase.h"

BVLaunchAgentsScanTask::BVLaunchAgentsScanTask(std::vector<std::string> scanLocations, std::string extension,
                                               BVFileManagerPtr fileManager, std::shared_ptr<BVScanKnowledgeBase> knowledgeBase,
                                               BVLaunchdManagerPtr launchdManager,
                                               std::shared_ptr<BVPrivilegedOperationsPerformer> performer,
                                               std::shared_ptr<BVUserDefaults> defaults)
    : scanLocations_(std::move(scanLocations)),
      extension_(std::move(extension)),
      fileManager_(std::move(fileManager)),
      knowledgeBase_(std::move(knowledgeBase)),
      launchdManager_(std::move(launchdManager)),
      performer_(std::move(performer)),
      defaults_(std::move(defaults)) {}

std::shared_ptr<BVLaunchAgentsScanTask> BVLaunchAgentsScanTask::task(const BVEnvironment& environment,
                                                                     const BVStartupServicesPtr& services) {
    const BVPaths& paths = *environment.paths;
    std::vector<std::string> locations;
    for (const auto& folder : {paths.launchAgentsPath(), paths.systemLaunchAgentsPath(), paths.launchDaemonsPath()})
        if (folder) locations.push_back(*folder);
    return std::make_shared<BVLaunchAgentsScanTask>(locations, paths.layout() == BVLayout::linux ? "service" : "plist",
                                                    environment.fileManager,
                                                    BVStartupKnowledgeBase(environment, BVScannerLaunchAgents),
                                                    services->launchd, environment.performer, environment.defaults);
}

BVScanResultPtr BVLaunchAgentsScanTask::scan() {
    if (auto debug = BVOptimizationDebugResult(defaults_, identifier(), false)) return debug;
    if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier());
    std::vector<std::string> files;
    for (const auto& location : scanLocations_) {
        auto contents = fileManager_->contentsOfDirectoryAtURL(location, nullptr, 0);
        files.insert(files.end(), contents.begin(), contents.end());
    }
    progress_->addPendingUnitsCount(files.size());
    std::vector<BVEntityPtr> items;
    for (const auto& file : files) {
        progress_->setPath(file);
        progress_->addUnitsCount(1);
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        if (BVFileIO::pathExtension(file) != extension_ || knowledgeBase_->isIgnoreItem(file)) continue;
        auto identity = fileManager_->identityAtPath(file, nullptr);
        if (!identity || !identity->isRegularFile() || !launchdManager_->jobConfigurationAtPath(file, nullptr)) continue;
        progress_->addSize(QLFileSizer::itemSizeAtURL(file));
        bool accurate = true;
        std::optional<BVLaunchAgentExecutable> executable;
        if (auto program = launchdManager_->startupApplicationPathFor(file, accurate))
            executable = BVLaunchAgentExecutable{*program, !accurate};
        items.push_back(std::make_shared<BVLaunchAgentModel>(file, executable, false, performer_, launchdManager_, defaults_));
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}
