#include "LargeAndOldFilesModule/BVLAOFFilter.h"

#include "LargeAndOldFilesModule/BVLAOFContentTypes.h"

bool BVIsSubpathOf(const std::string& path, const std::string& folder) {
    if (folder.empty()) return false;
    std::string base = folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
    if (path.compare(0, base.size(), base) != 0) return false;
    return path.size() == base.size() || path[base.size()] == '/' || base == "/";
}

const std::set<std::string>& BVLAOFFilter::ignoredFilesTypes() {
    static const std::set<std::string> types = {"com.apple.bundle", "com.apple.migratedphotolibrary",
                                                "com.apple.photos.library"};
    return types;
}

BVLAOFFilter::BVLAOFFilter(std::shared_ptr<BVScanKnowledgeBase> knowledgeBase, std::shared_ptr<const BVPaths> paths)
    : knowledgeBase_(std::move(knowledgeBase)), paths_(std::move(paths)), iTunesLibraryURL_(paths_->iTunesLibraryURL()) {}

bool BVLAOFFilter::isInExcludedLocation(const std::string& path) const {
    auto library = paths_->userLibraryURL();
    if (library && path.compare(0, library->size(), *library) == 0) return true;
    // The linux layout's library is the hidden folders at the top of the home: programs' data,
    // toolchains and the XDG folders, whose big files (a toolchain's libraries, say) are not the
    // user's documents and break what installed them when removed.
    if (paths_->layout() == BVLayout::linux) {
        const std::string& home = paths_->home();
        if (path.size() > home.size() + 1 && path.compare(0, home.size(), home) == 0 && path[home.size()] == '/' &&
            path[home.size() + 1] == '.')
            return true;
    }
    return iTunesLibraryURL_ && BVIsSubpathOf(path, *iTunesLibraryURL_);
}

bool BVLAOFFilter::isFolderPrunedAtPath(const std::string& path) const { return isInExcludedLocation(path); }

bool BVLAOFFilter::isItemFilteredAtURL(const BVURLPtr& url) {
    if (!url) return true;
    const std::string& path = url->path();
    if (knowledgeBase_) {
        if (knowledgeBase_->isIgnoreItem(path)) return true;
        std::string extension = BVLAOFContentTypes::pathExtension(path);
        if (!extension.empty() && knowledgeBase_->isIgnoreItem("." + extension)) return true;
    }
    return isInExcludedLocation(path);
}
