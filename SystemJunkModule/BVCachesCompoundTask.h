// BVCachesCompoundTask: runs plain cache tasks and grouped tasks one after another on the
// calling thread and returns one result holding the cache groups of a BVCachesContext. Items
// of a plain task are grouped by their path; every item of a grouped task goes to the group
// its map key names. Every sub-task's progress is attached to the compound's.
#pragma once

#include <map>

#include "Foundation/BVCompoundProgress.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

class BVCachesCompoundTask : public BVScanTask, public BVProgressReporting {
public:
    // Every task must report progress (std::invalid_argument otherwise).
    // `sandboxContainerPath` is the layout's containers folder: items in it group by container.
    BVCachesCompoundTask(std::string identifier, BVJunkKnowledgeBasePtr knowledgeBase, std::vector<BVScanTaskPtr> tasks,
                         std::map<std::string, BVScanTaskPtr> groupedTasks, std::optional<std::string> sandboxContainerPath);

    std::string identifier() const override { return identifier_; }
    BVProgressPtr progress() const override { return progress_; }
    const std::vector<BVScanTaskPtr>& tasks() const { return tasks_; }
    const std::map<std::string, BVScanTaskPtr>& groupedTasks() const { return groupedTasks_; }
    BVScanResultPtr scan() override;

private:
    std::string identifier_;
    std::shared_ptr<BVCompoundProgress> progress_;
    std::vector<BVScanTaskPtr> tasks_;
    std::map<std::string, BVScanTaskPtr> groupedTasks_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::optional<std::string> sandboxContainerPath_;
};

// The system caches (scanner 9): the all-users caches folder, then the all-users caches kept
// elsewhere (BVSpecialAppsCacheScanTask).
namespace BVSystemCachesCompoundTask {
std::shared_ptr<BVCachesCompoundTask> task(const BVEnvironment& environment);
}

// The user caches (scanner 10): user caches, the Darwin cache folder, the sandbox containers'
// caches, the caches kept in applications' own folders and the user's caches kept elsewhere
// (BVSpecialAppsCacheScanTask), then the Dropbox and Spotify caches in their own groups.
namespace BVUserCachesCompoundTask {
std::shared_ptr<BVCachesCompoundTask> task(const BVEnvironment& environment);
}
