// BVDocumentVersionsScanTask: the earlier versions the system keeps of documents saved with
// automatic versioning. The metadata search finds the documents of the applications that
// BVDocumentVersionsScanTaskSpecification names; the version store lists each document's other
// versions. The result groups them by application and document; only versions inside a burst
// of saves are preselected (BVDocumentVersionsSelectionRule). A failed search gives an empty
// result, a document whose versions cannot be listed contributes nothing, and a cancellation
// keeps the applications finished so far.
//
// Only the macos layout keeps such versions. This host has neither the index nor the store,
// so `task` hands the macos layout's task a search and a store that find nothing; a build for
// the system itself injects the real ones. The linux layout has no such task. A task runs once
// on one scan-queue thread; its progress may be read from any thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "Foundation/BVFileVersionStore.h"
#include "Foundation/BVMetadataSearch.h"
#include "SystemJunkModule/BVDocumentVersionsScanTaskSpecification.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

class BVDocumentVersionsScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVDocumentVersionsScanTask(std::shared_ptr<const BVDocumentVersionsScanTaskSpecification> specification,
                               BVMetadataSearchPtr searchController, BVFileVersionStorePtr versionStore,
                               BVJunkKnowledgeBasePtr knowledgeBase);
    // The built-in specification, the layout's search and store, the knowledge base for scanner 73.
    static std::shared_ptr<BVDocumentVersionsScanTask> task(const BVEnvironment& environment);

    std::string identifier() const override { return "BVSystemJunkScanIdentifierDocumentVersions"; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

    // The version's own size when it gives one, else the allocated size of its file.
    static uint64_t revisionSize(const BVFileVersion& version);

private:
    // The application's entity with its documents; null when nothing of it is offered or the
    // scan was cancelled before it was finished.
    BVEntityPtr applicationEntity(const std::string& bundleIdentifier, const std::vector<BVMetadataItemPtr>& items);
    // The document's entity with its versions; null when none has a size.
    BVEntityPtr documentEntity(const std::string& path);

    std::shared_ptr<const BVDocumentVersionsScanTaskSpecification> specification_;
    BVMetadataSearchPtr searchController_;
    BVFileVersionStorePtr versionStore_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};
