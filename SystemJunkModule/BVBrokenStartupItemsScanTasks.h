// The broken start-up items of System Junk: login items whose program is gone
// (BVBrokenLoginItemsScanTask; on linux also the user's own autostart entries that do not
// parse, which start nothing) and launch agents and daemons whose program is missing
// (BVBrokenLaunchdAgentsItemsScanTask), and their compound (BVBrokenStartupItemsScanTask, in
// that order). A job whose program cannot be judged (a specifier only the running manager knows,
// a oneshot unit without ExecStart=) is never broken; a job description that cannot be read is
// skipped. Each task runs once on one scan-queue thread and may block while the privileged agent
// answers an existence question.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "Foundation/BVStartupServices.h"
#include "ScanningService/CoreScanning/BVCompoundScanTask.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

class BVBrokenLoginItemsScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVBrokenLoginItemsScanTask(BVStartupServicesPtr services, BVJunkKnowledgeBasePtr knowledgeBase,
                               std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager);
    std::string identifier() const override { return "BVSystemJunkScanIdentifierBrokenLoginItems"; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

private:
    BVStartupServicesPtr services_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};

class BVBrokenLaunchdAgentsItemsScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVBrokenLaunchdAgentsItemsScanTask(BVStartupServicesPtr services, BVJunkKnowledgeBasePtr knowledgeBase,
                                       std::shared_ptr<const BVPaths> paths,
                                       std::shared_ptr<BVPrivilegedOperationsPerformer> performer);
    std::string identifier() const override { return "BVSystemJunkScanIdentifierBrokenLaunchdAgents"; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;
    // Whether the job a description describes cannot start because its program is missing.
    bool isBroken(const BVValue& configuration);

private:
    bool programExists(const std::string& program, const BVValue& configuration);

    BVStartupServicesPtr services_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::shared_ptr<const BVPaths> paths_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};

namespace BVBrokenStartupItemsScanTask {
std::shared_ptr<BVCompoundScanTask> task(const BVEnvironment& environment, const BVStartupServicesPtr& services);
}
