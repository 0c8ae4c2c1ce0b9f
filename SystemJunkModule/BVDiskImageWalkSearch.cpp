#include "SystemJunkModule/BVDiskImageWalkSearch.h"

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
    BVDirectoryWalker walker(threads_);
    for (const auto& scope : scopes_) {
        if (shouldStop()) break;
        walker.walk(
            scope,
            [&](unsigned, const BVWalkEntry& entry) {
                if (entry.isDirectory()) return !(pruning_ && pruning_(entry.path()));
                if (!S_ISREG(entry.status.stx_mode)) return true;
                std::string type = contentTypeForName(entry.name);
                if (type.empty() || !types.count(type)) return true;
                Found f{entry.path(), type,
                        {uint64_t(makedev(entry.status.stx_dev_major, entry.status.stx_dev_minor)), uint64_t(entry.status.stx_ino)},
                        uint64_t(entry.status.stx_size), uint64_t(entry.status.stx_blocks) * 512};
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
