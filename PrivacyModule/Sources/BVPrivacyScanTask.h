// BVPrivacyScanTask: the skeleton every privacy item-kind scan shares. First the debug switches
// (the canned result named after the task's class, or an empty result), then a wait while
// paused and an empty result when cancelled; then the task builds its items (usually one group
// holding its entries), each entry read advancing the progress by one unit with its path or URL
// as the current item, and a cancellation during the walk keeping what was built so far. A store
// that cannot be read (a browser holding it locked, a damaged file) is the task's error, not an
// empty list. `scan` runs on one scan-queue thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVComputableProgress.h"
#include "ScanningService/CoreScanning/BVRemovalDependency.h"
#include "ScanningService/CoreScanning/BVScanResult.h"

class BVPrivacyScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVPrivacyScanTask(std::string identifier, std::string className, std::vector<std::string> bundleIDs);

    std::string identifier() const override { return identifier_; }
    BVProgressPtr progress() const override { return progress_; }
    const std::vector<std::string>& bundleIDs() const { return bundleIDs_; }
    BVScanResultPtr scan() final;

protected:
    // The task's items, or none with the error of the store.
    virtual std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) = 0;

    // A fetcher for the task's applications (none when it has none).
    std::shared_ptr<BVRemovalDependenciesFetcher> dependenciesFetcher() const;
    // One entry read: one unit more, `path` as the current item; false once cancelled.
    bool advance(const std::string& path);
    const std::shared_ptr<BVComputableProgress>& computableProgress() const { return progress_; }

private:
    std::string identifier_;
    std::string className_;
    std::vector<std::string> bundleIDs_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};
