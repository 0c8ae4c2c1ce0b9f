// BVDiskImageWalkSearch: the metadata search for disk images on linux, where there is no
// index: a walk of the scopes (BVDirectoryWalker: links are never followed, other mounts never
// entered, files bind-mounted in left out) for regular files whose name ends in a disk-image
// extension, compared without case; only files so named are examined.
// Images in use are left out: those attached to a loop device and those a process holds open
// (the sources are handed in, so tests can stand in for them); so are folders the pruning test
// rejects. Items carry the path ("kMDItemPath"), the content type, the file's length
// ("kMDItemFSSize") and its allocated bytes ("kMDItemPhysicalSize"), and are answered in path
// order. One search object runs one search at a time.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Foundation/BVFilesInUse.h"
#include "Foundation/BVMetadataSearch.h"

class BVDiskImageWalkSearch final : public BVMetadataSearch {
public:
    // Answers true when the folder at `path` (and everything in it) is to be left out.
    using FolderPruning = std::function<bool(const std::string& path)>;

    BVDiskImageWalkSearch(std::vector<std::string> scopes, std::vector<BVFilesInUseSourcePtr> inUse,
                          FolderPruning pruning = {}, unsigned threads = 0);

    // The content types this search can find, one per extension family.
    static const std::set<std::string>& contentTypes();
    // The content type of a file name ("" when it is no disk image).
    static std::string contentTypeForName(const std::string& name);

    BVMetadataSearchResult searchFilesWithTypes(const std::set<std::string>& types, const BVProgressPtr& progress) override;

private:
    std::vector<std::string> scopes_;
    std::vector<BVFilesInUseSourcePtr> inUse_;
    FolderPruning pruning_;
    unsigned threads_;
};
