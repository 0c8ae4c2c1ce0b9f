// BVApplicationFolderCachesScanTask: the caches applications keep outside the caches folders.
// Chromium-family browsers and Electron applications keep theirs inside their configuration
// folder, directly or in a browser profile folder ("Default", "Profile 2"); snap applications
// keep one inside each snap's own home; a few programs use fixed places of their own. Which
// folders there are caches is the knowledge base's to say: a folder the user caches scanner
// deep-searches is offered with its contents, the folder itself kept (the application expects to
// find it). The places are searched a few levels deep, without following a link or entering a
// mount, and nothing the rules do not name is a candidate: local storage, databases, cookies and
// sessions stay where they are.
//
// The result's items are cache groups, one per application, named like the application's
// folder in the caches folder, so that the caches compound puts both in one group: the folder
// above the cache and above any profile folder ("chromium" for
// "~/.config/chromium/Default/GPUCache"), or for places that say so the first folder below the
// place (the snap's name). A task is built for one scan and runs once on one scan-queue thread;
// its progress may be read from any thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

struct BVApplicationCachePlace {
    enum class Grouping { ApplicationFolder, FirstFolder, Fixed };
    const char* subpath;  // below the home
    unsigned depth;       // how many levels below the place are candidates (0: the place itself)
    Grouping grouping;
    const char* group;    // the group of Grouping::Fixed
};

class BVApplicationFolderCachesScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVApplicationFolderCachesScanTask(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                                      BVJunkKnowledgeBasePtr knowledgeBase,
                                      std::shared_ptr<BVPrivilegedOperationsPerformer> performer);
    static std::shared_ptr<BVApplicationFolderCachesScanTask> task(const BVEnvironment& environment);

    std::string identifier() const override { return "BVSystemJunkScanIdentifierApplicationFolderCaches"; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

    static const std::vector<BVApplicationCachePlace>& places(BVLayout layout);
    // The group of a cache found at `cache` below the place's folder `place`.
    static std::string groupIdentifier(const BVApplicationCachePlace& where, const std::string& place, const std::string& cache);

private:
    // The cache folders of one place, in walk order.
    std::vector<std::string> cacheFolders(const BVApplicationCachePlace& where, const std::string& place);
    // The cache's contents as one sequence; none when nothing in it is offered.
    BVEntityPtr cacheContents(const std::string& cache);

    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};
