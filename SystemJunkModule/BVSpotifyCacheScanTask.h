// BVSpotifyCacheScanTask: offers the music-streaming client's persistent cache folder as one
// file entity, never preselected (it holds downloaded music the user may want offline).
// Built for one scan, run once on one scan-queue thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "SystemJunkModule/BVSpotify.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

class BVSpotifyCacheScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVSpotifyCacheScanTask(BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase, std::shared_ptr<BVSpotify> spotify)
        : fileManager_(std::move(fileManager)), knowledgeBase_(std::move(knowledgeBase)), spotify_(std::move(spotify)) {}
    static BVScanTaskPtr task(const BVEnvironment& environment);

    std::string identifier() const override { return "BVSystemJunkScanIdentifierSpotifyCache"; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

private:
    BVFileManagerPtr fileManager_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::shared_ptr<BVSpotify> spotify_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create(1);
};
