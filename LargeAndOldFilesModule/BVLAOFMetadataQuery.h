// BVLAOFMetadataQuery: the metadata search the large-files scan runs, behind an interface so
// that a platform index can stand in for the walk and tests can script results.
//
// BVLAOFHomeWalkQuery is the implementation this host uses: a parallel getdents64 and statx
// walk of the search scope that answers the query's predicate itself. The predicate is the
// conjunction the scan builds ("kMDItemFSSize > N && kMDItemContentTypeTree != T && ...");
// anything else cannot be compiled and the query is not created. Folders whose own type is
// excluded (bundles, photo libraries) or that are packages (package documents) are not
// entered, and neither are folders the caller's pruning test rejects. Each result is a metadata item with the attributes below. The index is
// never being rebuilt for a walk. One query is executed once, on one thread (the walk itself
// uses worker threads internally); results are read after `execute` returns.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Foundation/BVMetadataItem.h"
#include "Foundation/BVProgress.h"

class BVLAOFMetadataQuery {
public:
    virtual ~BVLAOFMetadataQuery() = default;
    // Runs the search to its end; answers false when it did not run (the progress was cancelled
    // before it started). A cancellation during the run ends it with what was found so far.
    virtual bool execute(const BVProgressPtr& progress) = 0;
    virtual size_t resultCount() const = 0;
    virtual BVMetadataItemPtr resultAtIndex(size_t index) const = 0;
    virtual void stop() = 0;
    // Whether the index behind the query is being rebuilt (answers may then be incomplete).
    virtual bool isReindexing() const = 0;
};

// The conditions a predicate string compiles to.
struct BVLAOFQueryPredicate {
    uint64_t sizeAbove = 0;                    // kMDItemFSSize > sizeAbove
    std::set<std::string> excludedTypes;       // kMDItemContentTypeTree != type, for each
};

// Compiles the scan's predicate string; none when a clause is not of the two forms above.
std::optional<BVLAOFQueryPredicate> BVLAOFCompileQueryPredicate(const std::string& predicate);

class BVLAOFHomeWalkQuery final : public BVLAOFMetadataQuery {
public:
    // Answers true when the folder at `path` (and everything in it) is to be left out.
    using FolderPruning = std::function<bool(const std::string& path)>;

    // Null when the predicate does not compile. `threads` 0 means the processor count.
    static std::unique_ptr<BVLAOFHomeWalkQuery> create(const std::string& predicate, std::vector<std::string> scopes,
                                                       FolderPruning pruning = {}, unsigned threads = 0);

    bool execute(const BVProgressPtr& progress) override;
    size_t resultCount() const override { return results_.size(); }
    BVMetadataItemPtr resultAtIndex(size_t index) const override;
    void stop() override {}
    bool isReindexing() const override { return false; }

private:
    BVLAOFHomeWalkQuery(BVLAOFQueryPredicate predicate, std::vector<std::string> scopes, FolderPruning pruning,
                        unsigned threads);

    BVLAOFQueryPredicate predicate_;
    std::vector<std::string> scopes_;
    FolderPruning pruning_;
    unsigned threads_;
    std::vector<BVMetadataItemPtr> results_;
};
