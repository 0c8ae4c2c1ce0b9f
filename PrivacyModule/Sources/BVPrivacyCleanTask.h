// BVPrivacyCleanTask: the shape of the clean tasks that remove a group's chosen entries from a
// client's store in one go (Firefox's databases and saved logins, Safari's history and download
// list). Its dependencies are the entries' own and one on each of the client's applications;
// the preparation before a clean fulfils them by quitting the application. `perform` answers the
// debug switches' result first; then, while any dependency is unfulfilled (the application still
// runs, and would keep and write back what it holds in memory), every entry fails with
// "BVEntityErrorDomain" -12 and nothing is touched; otherwise the subclass removes the entries
// and every entry gets the one outcome. Each entry is announced to the delegate before and
// after. One `perform` per task, on the clean worker.
#pragma once

#include <mutex>
#include <optional>

#include "Foundation/BVComputableProgress.h"
#include "ScanningService/CoreScanning/BVCleanTask.h"
#include "ScanningService/CoreScanning/BVCleanTaskResult.h"

class BVPrivacyCleanTask : public BVCleanTask {
public:
    BVPrivacyCleanTask(std::vector<BVEntityPtr> models, std::vector<std::string> bundleIDs);

    std::vector<BVRemovalDependencyPtr> dependencies() override;
    uint64_t remainingSize() const override { return 0; }
    std::vector<BVEntityPtr> models() const override { return models_; }
    void setDelegate(std::weak_ptr<BVCleanTaskDelegate> delegate) override { delegate_ = std::move(delegate); }
    BVProgressPtr progress() const override { return progress_; }
    BVCleanTaskResultPtr perform() final;

protected:
    // Removes the entries; answers the result (every entry the same outcome, or per entry).
    virtual BVCleanTaskResultPtr removeModels() = 0;
    const std::shared_ptr<BVComputableProgress>& computableProgress() const { return progress_; }

private:
    std::vector<BVEntityPtr> models_;
    std::vector<std::string> bundleIDs_;
    std::weak_ptr<BVCleanTaskDelegate> delegate_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
    std::mutex mutex_;
    std::optional<std::vector<BVRemovalDependencyPtr>> dependencies_;
};
