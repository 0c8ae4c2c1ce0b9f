// BVLaunchAgentsScanTask: the launch agents and daemons: every job description in the user's
// launch-agents folder, the all-users launch-agents folder and the launch-daemons folder (on
// linux the user's, every user's and the system's systemd unit folders), in that order. A
// description counts when it has the layout's extension (".plist", ".service"), is a regular file
// (aliases and masks are links), can be read and is not ignored by the knowledge base; every file
// is counted in the progress. Nothing is preselected. Runs once on one scan-queue thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "Foundation/BVStartupServices.h"
#include "Foundation/BVUserDefaults.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "ScanningService/CoreScanning/BVScanTask.h"

class BVPrivilegedOperationsPerformer;

class BVLaunchAgentsScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVLaunchAgentsScanTask(std::vector<std::string> scanLocations, std::string extension, BVFileManagerPtr fileManager,
                           std::shared_ptr<BVScanKnowledgeBase> knowledgeBase, BVLaunchdManagerPtr launchdManager,
                           std::shared_ptr<BVPrivilegedOperationsPerformer> performer, std::shared_ptr<BVUserDefaults> defaults);
    // The three folders of the environment's layout.
    static std::shared_ptr<BVLaunchAgentsScanTask> task(const BVEnvironment& environment, const BVStartupServicesPtr& services);

    std::string identifier() const override { return "BVOptimizationModuleScanIdentifierLaunchAgents"; }
    const std::vector<std::string>& scanLocations() const { return scanLocations_; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

private:
    std::vector<std::string> scanLocations_;
    std::string extension_;
    BVFileManagerPtr fileManager_;
    std::shared_ptr<BVScanKnowledgeBase> knowledgeBase_;
    BVLaunchdManagerPtr launchdManager_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    std::shared_ptr<BVUserDefaults> defaults_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};
