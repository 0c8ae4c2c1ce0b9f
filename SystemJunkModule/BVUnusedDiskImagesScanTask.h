// BVUnusedDiskImagesScanTask: disk-image files the user may no longer need, found by the
// metadata search and offered one by one, never preselected (an image may be the only copy of
// what it holds). Each is a BVMetadataItemModel, removed as its file through the remover.
//
// On the macos layout the search is the index's, for "com.apple.disk-image-udif" in the home
// and "/Applications/"; this host has no index, so that search finds nothing (a build for the
// system itself injects the real one). On the linux layout the search is a walk of the home for
// disk-image files that are neither attached to a loop device nor open in a process
// (BVDiskImageWalkSearch); the trash is left to the trash module. A task runs once on one
// scan-queue thread; its progress may be read from any thread.
#pragma once

#include <set>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "Foundation/BVMetadataSearch.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

class BVUnusedDiskImagesScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVUnusedDiskImagesScanTask(BVMetadataSearchPtr searchController, BVJunkKnowledgeBasePtr knowledgeBase,
                               std::set<std::string> contentTypes = {"com.apple.disk-image-udif"});
    // The layout's search over its scopes, the knowledge base for scanner 76.
    static std::shared_ptr<BVUnusedDiskImagesScanTask> task(const BVEnvironment& environment);
    // The macos layout's scopes: the home and the applications folder (under the root prefix).
    static std::vector<std::string> macosScopes(const BVPaths& paths);

    std::string identifier() const override { return "BVSystemJunkScanIdentifierUnusedDiskImages"; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

private:
    BVMetadataSearchPtr searchController_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::set<std::string> contentTypes_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};
