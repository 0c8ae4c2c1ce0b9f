#include "SystemJunkModule/BVDiskImageWalkSearch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "Foundation/BVASCIICase.h"
#include "Foundation/BVDirectoryWalker.h"

namespace {

const std::map<std::string, std::string>& typesByExtension() {
    static const std::map<std::string, std::string> table = {
        {"dmg", "com.apple.disk-image-udif"},
        {"iso", "public.iso-image"},
        {"img", "public.disk-image"},
        {"qcow2", "public.virtual-machine-disk"},
        {"vdi", "public.virtual-machine-disk"},
        {"vmdk", "public.virtual-machine-disk"},
    };
    return table;
}

struct Found {
    std::string path;
    std::string type;
    BVFileKey key;
    uint64_t length;
    uint64_t allocated;
};

}  // namespace

BVDiskImageWalkSearch::BVDiskImageWalkSearch(std::vector<std::string> scopes, std::vector<BVFilesInUseSourcePtr> inUse,
                                             FolderPruning pruning, unsigned threads)
    : scopes_(std::move(scopes)), inUse_(std::move(inUse)), pruning_(std::move(pruning)), threads_(threads) {}

const std::set<std::string>& BVDiskImageWalkSearch::contentTypes() {
    static const std::set<std::string> types = [] {
        std::set<std::string> all;
        for (const auto& [extension, type] : typesByExtension()) all.insert(type);
        return all;
    }();
    return types;
}

std::string BVDiskImageWalkSearch::contentTypeForName(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return {};
    auto it = typesByExtension().find(BVASCIILowercase(name.substr(dot + 1)));
    return it == typesByExtension().end() ? std::string() : it->second;
}

BVMetadataSearchResult BVDiskImageWalkSearch::searchFilesWithTypes(const std::set<std::string>& types,
                                                                   const BVProgressPtr& progress) {
    auto shouldStop = [&] {
        if (!progress) return false;
        progress->sleepThreadWhilePaused();
        return progress->isCancelled();
    };
    std::vector<Found> found;
    std::mutex mutex;
    // Names decide: only the few files named like images are examined (statx), not every entry.
    BVDirectoryWalker walker(threads_);
    walker.setTypesOnly(true);
    for (const auto& scope : scopes_) {
        if (shouldStop()) break;
        walker.walk(
            scope,
            [&](unsigned, const BVWalkEntry& entry) {
                if (entry.isDirectory()) return !(pruning_ && pruning_(entry.path()));
                if (!S_ISREG(entry.status.stx_mode)) return true;
                std::string type = contentTypeForName(entry.name);
                if (type.empty() || !types.count(type)) return true;
                struct statx file {}, folder {};
                unsigned mask = STATX_TYPE | STATX_INO | STATX_SIZE | STATX_BLOCKS | STATX_MNT_ID;
                if (::statx(entry.folderFd, entry.name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &file) != 0 ||
                    ::statx(entry.folderFd, "", AT_EMPTY_PATH, STATX_MNT_ID, &folder) != 0 || !S_ISREG(file.stx_mode))
                    return true;
                // A file bind-mounted into the home belongs to another file system's tree.
                bool otherMount = (file.stx_mask & STATX_MNT_ID) && (folder.stx_mask & STATX_MNT_ID) && file.stx_mnt_id != folder.stx_mnt_id;
                if (otherMount) return true;
                Found f{entry.path(), type, {uint64_t(makedev(file.stx_dev_major, file.stx_dev_minor)), uint64_t(file.stx_ino)},
                        uint64_t(file.stx_size), uint64_t(file.stx_blocks) * 512};
                std::lock_guard lock(mutex);
                found.push_back(std::move(f));
                return true;
            },
            shouldStop);
    }
    // Asked after the walk, so an image attached or opened meanwhile is still seen as in use.
    std::set<BVFileKey> inUse;
    if (!found.empty())
        for (const auto& source : inUse_) inUse.merge(source->filesInUse());
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.path < b.path; });
    BVMetadataSearchResult result;
    for (auto& f : found) {
        if (inUse.count(f.key)) continue;
        result.add(f.type, std::make_shared<BVDictionaryMetadataItem>(BVDictionary{
                               {kBVMDItemPath, BVValue(f.path)},
                               {kBVMDItemContentType, BVValue(f.type)},
                               {kBVMDItemFSSize, BVValue(f.length)},
                               {kBVMDItemPhysicalSize, BVValue(f.allocated)},
                           }));
    }
    return result;
}
