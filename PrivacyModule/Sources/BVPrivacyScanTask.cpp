#include "PrivacyModule/Sources/BVPrivacyScanTask.h"

#include "PrivacyModule/Sources/BVPrivacyGroupModel.h"
#include "ScanningService/CoreScanning/BVCannedResults.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"

BVPrivacyScanTask::BVPrivacyScanTask(std::string identifier, std::string className, std::vector<std::string> bundleIDs)
    : identifier_(std::move(identifier)), className_(std::move(className)), bundleIDs_(std::move(bundleIDs)) {}

BVScanResultPtr BVPrivacyScanTask::scan() {
    if (BVDebugSwitches::isOn(BVDebugModeFakeScanningJSONResults)) {
        auto canned = brk_scanResultFromJSONIndentifier(className_);
        return canned ? canned : BVScanResult::emptyResultWithIdentifier(identifier_);
    }
    if (BVDebugSwitches::isOn(BVDebugModeFakeScanningEmptyResults)) return BVScanResult::emptyResultWithIdentifier(identifier_);
    progress_->sleepThreadWhilePaused();
    if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier_);
    BVError error;
    auto items = makeItems(&error);
    if (!items) return BVScanResult::resultWithIdentifier(identifier_, error);
    for (const auto& item : *items)
        if (auto group = std::dynamic_pointer_cast<BVPrivacyGroupModel>(item)) group->adoptEntries();
    return BVScanResult::resultWithIdentifier(identifier_, *items);
}

std::shared_ptr<BVRemovalDependenciesFetcher> BVPrivacyScanTask::dependenciesFetcher() const {
    if (bundleIDs_.empty()) return nullptr;
    return BVRemovalDependenciesFetcher::fetcherWithBundleIDs(bundleIDs_);
}

bool BVPrivacyScanTask::advance(const std::string& path) {
    progress_->addUnitsCount(1);
    progress_->setPath(path);
    progress_->sleepThreadWhilePaused();
    return !progress_->isCancelled();
}
