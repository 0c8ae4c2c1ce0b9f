// The login-item scans of the optimization module: the session's login items
// (BVLaunchServicesLoginItemsScanTask), the helpers applications register
// (BVServiceManagementLoginItemsScanTask, macos layout only), and their compound
// (BVLoginItemsScanTask, in that order). Each skips what the knowledge base ignores (the item's
// path, or its application's identifier) and lists the rest in the order its manager knows them;
// an entry that does not parse is logged, not listed. A task runs once on one scan-queue thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVStartupServices.h"
#include "Foundation/BVUserDefaults.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "ScanningService/CoreScanning/BVCompoundScanTask.h"

class BVLaunchServicesLoginItemsScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVLaunchServicesLoginItemsScanTask(BVStartupServicesPtr services, std::shared_ptr<BVScanKnowledgeBase> knowledgeBase,
                                       std::shared_ptr<BVUserDefaults> defaults);
    std::string identifier() const override { return "BVOptimizationModuleScanIdentifierLaunchServicesLoginItems"; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

private:
    BVStartupServicesPtr services_;
    std::shared_ptr<BVScanKnowledgeBase> knowledgeBase_;
    std::shared_ptr<BVUserDefaults> defaults_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};

class BVServiceManagementLoginItemsScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVServiceManagementLoginItemsScanTask(BVStartupServicesPtr services, std::shared_ptr<BVScanKnowledgeBase> knowledgeBase,
                                          std::shared_ptr<BVUserDefaults> defaults);
    std::string identifier() const override { return "BVOptimizationModuleScanIdentifierServiceManagementLoginItems"; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

private:
    BVStartupServicesPtr services_;
    std::shared_ptr<BVScanKnowledgeBase> knowledgeBase_;
    std::shared_ptr<BVUserDefaults> defaults_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};

namespace BVLoginItemsScanTask {
inline constexpr const char* kIdentifier = "BVOptimizationModuleScanIdentifierLoginItemsCompound";
// The login items, then the helpers when the services have a service-management facility.
std::shared_ptr<BVCompoundScanTask> task(const BVStartupServicesPtr& services, std::shared_ptr<BVScanKnowledgeBase> knowledgeBase,
                                         std::shared_ptr<BVUserDefaults> defaults);
}  // namespace BVLoginItemsScanTask

// The debug switches of a scan: a canned result (or an empty one) when the JSON switch is on,
// an empty one when `emptyToo` and the empty-results switch is on; null to scan for real.
BVScanResultPtr BVOptimizationDebugResult(const std::shared_ptr<BVUserDefaults>& defaults, const std::string& identifier,
                                          bool emptyToo);
