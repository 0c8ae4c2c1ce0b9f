// BVPhotoSyncCachesScanTask: the photo caches that syncing pictures to a portable player leaves
// in the pictures folder (macos layout only; linux keeps no such store). Two kinds are found,
// neither preselected, as the pictures folder is searched (hidden entries skipped, packages not
// entered):
// - a photo library package (".photoslibrary", ".photolibrary", ".migratedphotolibrary",
//   ".aplibrary", ".migratedaplibrary") holding an "iPod Photo Cache" folder: that folder;
// - a folder holding a "Photo Database": its image folders "F00" to "F49" that exist, as one
//   sequence; the folder's other contents are left alone.
// Nothing below a folder where a cache was found is searched further. Links are never
// followed. A task is built for one scan and runs once on one scan-queue thread; its progress
// may be read from any thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

class BVPhotoSyncCachesScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVPhotoSyncCachesScanTask(BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase, std::optional<std::string> picturesURL,
                              std::shared_ptr<BVPrivilegedOperationsPerformer> performer);
    static std::shared_ptr<BVPhotoSyncCachesScanTask> task(const BVEnvironment& environment);

    std::string identifier() const override { return "BVSystemJunkScanIdentifierPhotoSyncCaches"; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

    // The package extensions of photo libraries, lower-cased.
    static bool isPhotoLibraryExtension(const std::string& extension);

private:
    BVFileManagerPtr fileManager_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::optional<std::string> picturesURL_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};
