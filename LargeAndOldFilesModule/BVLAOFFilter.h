// BVLAOFFilter: decides which found files the large-files scan leaves out: what the rules or
// the user's ignore list exclude (the path itself, or every file of its extension written as
// ".ext"), everything whose path begins with the user's library folder (a plain text prefix,
// so a sibling such as "Library Backup" is left out too; on the linux layout, whose library is
// the hidden folders at the top of the home, everything in "~/.*"), and everything inside the
// media library. `isFolderPrunedAtPath` is the same location test for folders, so the walk need not
// enter them. Made per scan; the media-library location is read once. Safe from the walk's
// worker threads (the knowledge base is).
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "Foundation/BVObject.h"
#include "Foundation/BVPaths.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"

class BVLAOFFilter {
public:
    // The content types the query itself excludes (bundles and photo libraries).
    static const std::set<std::string>& ignoredFilesTypes();

    BVLAOFFilter(std::shared_ptr<BVScanKnowledgeBase> knowledgeBase, std::shared_ptr<const BVPaths> paths);

    bool isItemFilteredAtURL(const BVURLPtr& url);
    bool isFolderPrunedAtPath(const std::string& path) const;

private:
    bool isInExcludedLocation(const std::string& path) const;

    std::shared_ptr<BVScanKnowledgeBase> knowledgeBase_;
    std::shared_ptr<const BVPaths> paths_;
    std::optional<std::string> iTunesLibraryURL_;
};

// True when `path` is `folder` or lies below it (component-wise, not a text prefix).
bool BVIsSubpathOf(const std::string& path, const std::string& folder);
