// BVXcodeJunkTask: the developer junk task. Its result is a list of groups, one per kind of
// junk that exists, each with its items; nothing in it is preselected, because every item costs
// a download or a rebuild to get back. On the linux layout the kinds are the toolchain caches
// of BVDeveloperToolCaches (a folder is one item, or each of its entries is one when the table
// says so). A task is built for one scan and runs once on one scan-queue thread; its progress
// may be read from any thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "SystemJunkModule/BVDeveloperJunk.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

class BVXcodeJunkTask : public BVScanTask, public BVProgressReporting {
public:
    BVXcodeJunkTask(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase,
                    std::shared_ptr<BVPrivilegedOperationsPerformer> performer);
    static std::shared_ptr<BVXcodeJunkTask> task(const BVEnvironment& environment);

    std::string identifier() const override { return "BVSystemJunkScanIdentifierXcodeJunk"; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

private:
    // The group of one tool with its measured items; null when nothing of it is offered.
    BVEntityPtr toolGroup(const BVDeveloperToolCache& tool);

    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};
