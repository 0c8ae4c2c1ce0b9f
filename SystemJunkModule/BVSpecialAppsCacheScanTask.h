// BVSpecialAppsCacheScanTask: offers the known caches kept outside the caches folders (see
// BVSpecialAppsProvider) for emptying. A cache is offered when its folder exists (not reached
// through a link), is not kept by the system's integrity protection and is not on the ignore
// list; it is preselected unless the user unticked it before. The user's caches are scanned
// for the user caches, the all-users ones for the system caches. A task is built for one scan
// and runs once on one scan-queue thread; its progress may be read from any thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "SystemJunkModule/BVSpecialAppsProvider.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

class BVSpecialAppsCacheScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVSpecialAppsCacheScanTask(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                               BVJunkKnowledgeBasePtr knowledgeBase, std::vector<BVSpecialApplicationCacheInfoPtr> applications,
                               std::shared_ptr<BVPrivilegedOperationsPerformer> performer);
    // The user's special caches (user caches scanner) and the all-users ones (system caches scanner).
    static std::shared_ptr<BVSpecialAppsCacheScanTask> userAppsCacheScanTask(const BVEnvironment& environment);
    static std::shared_ptr<BVSpecialAppsCacheScanTask> systemAppsCacheScanTask(const BVEnvironment& environment);

    std::string identifier() const override { return "BVSystemJunkScanIdentifierSpecialAppsCache"; }
    BVProgressPtr progress() const override { return progress_; }
    const std::vector<BVSpecialApplicationCacheInfoPtr>& applications() const { return applications_; }
    BVScanResultPtr scan() override;

private:
    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::vector<BVSpecialApplicationCacheInfoPtr> applications_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};
