// BVPrivacyCompoundScanTask: one application's scan (a browser's, the chat client's): its
// item-kind tasks run one after another, and the result holds their groups followed by the
// empty groups of the kinds whose store is missing. When the application is named, every group
// that holds entries gets a removal-dependencies fetcher for it, so a clean first asks the
// application to quit. A member whose store could not be read contributes an empty group of its
// kind, and its error becomes the result's error beside the other members' items (a running
// browser locks its databases, while its session files can still be listed). `scan` runs on one
// scan-queue thread.
#pragma once

#include "PrivacyModule/Sources/BVPrivacyGroupModel.h"
#include "ScanningService/CoreScanning/BVCompoundScanTask.h"

class BVPrivacyCompoundScanTask : public BVCompoundScanTask {
public:
    BVPrivacyCompoundScanTask(std::string identifier, std::vector<BVScanTaskPtr> tasks, std::vector<std::string> bundleIDs,
                              std::vector<std::shared_ptr<BVPrivacyGroupModel>> emptyPrivacyGroups);

    const std::vector<std::string>& bundleIDs() const { return bundleIDs_; }
    const std::vector<std::shared_ptr<BVPrivacyGroupModel>>& emptyPrivacyGroups() const { return emptyPrivacyGroups_; }
    BVScanResultPtr scan() override;

private:
    std::vector<std::string> bundleIDs_;
    std::vector<std::shared_ptr<BVPrivacyGroupModel>> emptyPrivacyGroups_;
};
