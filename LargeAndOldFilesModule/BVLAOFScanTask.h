// BVLAOFScanTask: finds the files in the user's home that are larger than 50 MiB, leaving out
// bundles, photo libraries, the user's library folder, the media library and whatever the rules
// or the user's ignore list exclude, and answers one flat list of BVLAOFFileModel entities.
//
// The search is a metadata query over the home (on this host the walk of BVLAOFHomeWalkQuery);
// a query factory can be given so that a platform index or a test's scripted query stands in.
// Each model's remove method comes from the user default BVLAOFRemoveMethodDefaultsKey (0
// immediately, 1 securely). `scan` runs on one scan-queue thread; pause and cancel are checked
// at every result.
#pragma once

#include <functional>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVPaths.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "LargeAndOldFilesModule/BVLAOFMetadataQuery.h"
#include "ScanningService/CoreScanning/BVScanResult.h"
#include "ScanningService/CoreScanning/BVScanTask.h"

class BVUserDefaults;
class BVLAOFFilter;

inline constexpr const char* BVLAOFScanIdentifierMain = "BVLAOFScanIdentifierMain";
inline constexpr BVScannerIdentifier BVLAOFScannerIdentifier = BVScannerLargeAndOldFiles;
inline constexpr uint64_t BVLAOFSizeThreshold = 52428800;  // 50 MiB; larger files are found
inline constexpr const char* kBVLAOFScanTaskErrorDomain = "kBVLAOFScanTaskErrorDomain";  // no query
inline constexpr const char* kBVLAOFScanTaskDomain = "kBVLAOFScanTaskDomain";            // index not ready
inline constexpr int64_t BVLAOFScanTaskErrorCode = 101;
inline constexpr const char* BVLAOFRemoveMethodDefaultsKey = "LargeAndOldFilesRemoveMethod";

class BVLAOFScanTask : public BVScanTask, public BVProgressReporting {
public:
    // Makes the query for a predicate string and search scopes, consulting the filter for the
    // folders it may skip; null when the query cannot be created.
    using QueryFactory = std::function<std::unique_ptr<BVLAOFMetadataQuery>(
        const std::string& predicate, const std::vector<std::string>& scopes, const BVLAOFFilter& filter)>;

    // The knowledge base for scanner 24, the shared paths and defaults, the home walk.
    BVLAOFScanTask(std::shared_ptr<BVKnowledgeBaseWrapper> knowledgeBase, std::shared_ptr<const BVPaths> paths,
                   std::shared_ptr<BVUserDefaults> defaults, QueryFactory queryFactory = {});

    std::string identifier() const override { return BVLAOFScanIdentifierMain; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

    // "kMDItemFSSize > 52428800 && kMDItemContentTypeTree != T ..." for each ignored type.
    static std::string buildFilterPredicateString();
    // The walk of the home folder this host uses.
    static QueryFactory homeWalkQueryFactory(unsigned threads = 0);

private:
    std::shared_ptr<BVKnowledgeBaseWrapper> knowledgeBase_;
    std::shared_ptr<const BVPaths> paths_;
    std::shared_ptr<BVUserDefaults> defaults_;
    QueryFactory queryFactory_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};
