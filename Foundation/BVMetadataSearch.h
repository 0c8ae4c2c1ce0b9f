// BVMetadataSearch: a search of the metadata index for files of some content types, within the
// scopes (folders) the search was made with. The answer lists the items in search order and
// grouped by content type; a search that could not run answers its error and no items.
//
// Searches are made by a factory from their scopes, so a task can be handed the platform's
// search or a fake. BVEmptyMetadataSearch is the macos layout's search on this host, which has
// no index: it finds nothing. A search runs on the calling thread; it honours the progress it is
// given (waiting while paused, ending early with what it found when cancelled). Implementations
// say whether one search object may run on several threads at once (the empty one may).
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Foundation/BVError.h"
#include "Foundation/BVMetadataItem.h"
#include "Foundation/BVProgress.h"

struct BVMetadataSearchResult {
    std::vector<BVMetadataItemPtr> objects;
    std::map<std::string, std::vector<BVMetadataItemPtr>> groupedObjects;  // content type -> items
    std::optional<BVError> error;

    static BVMetadataSearchResult failure(BVError error) { return {{}, {}, std::move(error)}; }
    // Adds an item of `type` to both lists.
    void add(const std::string& type, BVMetadataItemPtr item);
};

class BVMetadataSearch {
public:
    virtual ~BVMetadataSearch() = default;
    virtual BVMetadataSearchResult searchFilesWithTypes(const std::set<std::string>& types,
                                                        const BVProgressPtr& progress = nullptr) = 0;
};

using BVMetadataSearchPtr = std::shared_ptr<BVMetadataSearch>;
// Makes a search over the given scopes.
using BVMetadataSearchFactory = std::function<BVMetadataSearchPtr(const std::vector<std::string>& scopes)>;

class BVEmptyMetadataSearch final : public BVMetadataSearch {
public:
    BVMetadataSearchResult searchFilesWithTypes(const std::set<std::string>&, const BVProgressPtr&) override { return {}; }
};
