// BVDropboxCacheScanTask: offers the contents of every linked account's ".dropbox.cache"
// folder (the default account's when the info file lists none), one file sequence per
// account holding every non-empty entry of the folder's tree. Built for one scan, run once on
// one scan-queue thread; the accounts are read at most once.
#pragma once

#include <mutex>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "Foundation/BVFTSFileManager.h"
#include "SystemJunkModule/BVDropbox.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

class BVDropboxCacheScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVDropboxCacheScanTask(std::shared_ptr<BVDropbox> dropbox, std::shared_ptr<BVFTSFileManager> fileManager,
                           BVJunkKnowledgeBasePtr knowledgeBase)
        : dropbox_(std::move(dropbox)), fileManager_(std::move(fileManager)), knowledgeBase_(std::move(knowledgeBase)) {}
    static BVScanTaskPtr task(const BVEnvironment& environment);

    std::string identifier() const override { return "BVSystemJunkScanIdentifierDropboxCache"; }
    BVProgressPtr progress() const override { return progress_; }
    // The fetched accounts, or the one default account when none are found.
    const std::vector<BVDropboxAccount>& dropboxAccounts();
    BVScanResultPtr scan() override;

private:
    std::shared_ptr<BVDropbox> dropbox_;
    std::shared_ptr<BVFTSFileManager> fileManager_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
    std::once_flag accountsOnce_;
    std::vector<BVDropboxAccount> accounts_;
};
