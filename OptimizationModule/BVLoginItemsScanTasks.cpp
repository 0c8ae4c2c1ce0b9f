#include "OptimizationModule/BVLoginItemsScanTasks.h"

#include <set>

#include "Foundation/BVLogger.h"
#include "OptimizationModule/BVLoginItemModels.h"
#include "ScanningService/CoreScanning/BVCannedResults.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"

BVScanResultPtr BVOptimizationDebugResult(const std::shared_ptr<BVUserDefaults>& defaults, const std::string& identifier,
                                          bool emptyToo) {
    auto isOn = [&](const char* key) { return defaults ? BVDebugSwitches::isOn(*defaults, key) : BVDebugSwitches::isOn(key); };
    if (isOn(BVDebugModeFakeScanningJSONResults)) {
        if (auto canned = brk_scanResultFromJSONIndentifier(identifier)) return canned;
        return BVScanResult::emptyResultWithIdentifier(identifier);
    }
    if (emptyToo && isOn(BVDebugModeFakeScanningEmptyResults)) return BVScanResult::emptyResultWithIdentifier(identifier);
    return nullptr;
}

BVLaunchServicesLoginItemsScanTask::BVLaunchServicesLoginItemsScanTask(BVStartupServicesPtr services,
                                                                       std::shared_ptr<BVScanKnowledgeBase> knowledgeBase,
                                                                       std::shared_ptr<BVUserDefaults> defaults)
    : services_(std::move(services)), knowledgeBase_(std::move(knowledgeBase)), defaults_(std::move(defaults)) {}

BVScanResultPtr BVLaunchServicesLoginItemsScanTask::scan() {
    if (auto debug = BVOptimizationDebugResult(defaults_, identifier(), true)) return debug;
    progress_->sleepThreadWhilePaused();
    if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier());
    auto paths = services_->loginItems->validLoginItemsList();
    for (const auto& invalid : services_->loginItems->invalidLoginItems())
        BVLogger::warning("[optimization] login item not listed: " + invalid.reason);
    progress_->addPendingUnitsCount(paths.size());
    std::vector<BVEntityPtr> items;
    for (const auto& path : paths) {
        if (progress_->isCancelled()) break;
        progress_->addUnitsCount(1);
        progress_->setPath(path);
        auto application = services_->systemInfo->applicationByPath(path);
        if (knowledgeBase_->isIgnoreItem(path) ||
            (application && !application->bundleID.empty() && knowledgeBase_->isIgnoreItem(application->bundleID)))
            continue;
        items.push_back(std::make_shared<BVLaunchServicesLoginItemModel>(path, services_->loginItems));
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}

BVServiceManagementLoginItemsScanTask::BVServiceManagementLoginItemsScanTask(BVStartupServicesPtr services,
                                                                             std::shared_ptr<BVScanKnowledgeBase> knowledgeBase,
                                                                             std::shared_ptr<BVUserDefaults> defaults)
    : services_(std::move(services)), knowledgeBase_(std::move(knowledgeBase)), defaults_(std::move(defaults)) {}

BVScanResultPtr BVServiceManagementLoginItemsScanTask::scan() {
    if (auto debug = BVOptimizationDebugResult(defaults_, identifier(), true)) return debug;
    progress_->sleepThreadWhilePaused();
    if (progress_->isCancelled() || !services_->serviceManagement) return BVScanResult::emptyResultWithIdentifier(identifier());
    auto applications = services_->systemInfo->allFilteredApplications();
    progress_->addPendingUnitsCount(applications.size());
    std::vector<BVEntityPtr> items;
    std::set<std::string> taken;
    for (const auto& application : applications) {
        if (progress_->isCancelled()) break;
        progress_->addUnitsCount(1);
        progress_->setPath(application.url);
        std::string helper = application.loginItemInfo ? (*application.loginItemInfo)["CFBundleIdentifier"].stringValue() : "";
        if (helper.empty() || knowledgeBase_->isIgnoreItem(helper) || application.volumeURL != "/" || taken.count(helper)) continue;
        taken.insert(helper);
        items.push_back(std::make_shared<BVServiceManagementLoginItemModel>(
            helper, application.url, application.loginItemBundleURL.value_or(""), services_->serviceManagement));
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}

namespace BVLoginItemsScanTask {
std::shared_ptr<BVCompoundScanTask> task(const BVStartupServicesPtr& services, std::shared_ptr<BVScanKnowledgeBase> knowledgeBase,
                                         std::shared_ptr<BVUserDefaults> defaults) {
    std::vector<BVScanTaskPtr> tasks{std::make_shared<BVLaunchServicesLoginItemsScanTask>(services, knowledgeBase, defaults)};
    if (services->serviceManagement)
        tasks.push_back(std::make_shared<BVServiceManagementLoginItemsScanTask>(services, knowledgeBase, defaults));
    return std::make_shared<BVCompoundScanTask>(kIdentifier, tasks);
}
}  // namespace BVLoginItemsScanTask
