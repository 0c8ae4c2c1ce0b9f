// BVXcodeJunkTask: the developer junk task. Its result is a list of groups, one per kind of
// junk that exists, each with its items. On the linux layout the kinds are the toolchain caches
// of BVDeveloperToolCaches (a folder is one item, or each of its entries is one when the table
// says so), nothing preselected, because every item costs a download or a rebuild to get back.
// On the macos layout they are the groups of the Xcode tasks (BVXcodeScanTasks), run one after
// another in their order; derived data and device logs are preselected there, as they are
// rebuilt or collected again without asking the user for anything. A task is built for one
// scan and runs once on one scan-queue thread; its progress may be read from any thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVCompoundProgress.h"
#include "Foundation/BVEnvironment.h"
#include "SystemJunkModule/BVDeveloperJunk.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"
#include "SystemJunkModule/BVXcodeScanTasks.h"

class BVXcodeJunkTask : public BVScanTask, public BVProgressReporting {
public:
    BVXcodeJunkTask(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase,
                    std::shared_ptr<BVPrivilegedOperationsPerformer> performer);
    static std::shared_ptr<BVXcodeJunkTask> task(const BVEnvironment& environment);

    std::string identifier() const override { return "BVSystemJunkScanIdentifierXcodeJunk"; }
    BVProgressPtr progress() const override { return progress_; }
    // The Xcode tasks this task runs (none on the linux layout).
    const std::vector<std::shared_ptr<BVXcodeJunkScanTask>>& xcodeTasks() const { return xcodeTasks_; }
    BVScanResultPtr scan() override;

private:
    // The group of one tool with its measured items; null when nothing of it is offered.
    BVEntityPtr toolGroup(const BVDeveloperToolCache& tool);

    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    std::vector<std::shared_ptr<BVXcodeJunkScanTask>> xcodeTasks_;
    // The toolchain caches' progress and every Xcode task's, attached to the compound's.
    std::shared_ptr<BVComputableProgress> toolsProgress_ = BVComputableProgress::create();
    std::shared_ptr<BVCompoundProgress> progress_ = BVCompoundProgress::create();
};
