#include "SystemJunkModule/BVSystemJunkSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVSystemVersion.h"
#include "Foundation/QLFileSizer.h"
#include "Foundation/BVWorkerPool.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/BVBaseIgnoreStrategy.h"
#include "ScanningService/CoreScanning/BVCannedResults.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"

namespace BVSystemJunk {

BVScanResultPtr cannedResult(const std::string& name, const std::string& identifier) {
    if (!BVDebugSwitches::isOn(BVDebugModeFakeScanningJSONResults)) return nullptr;
    if (auto result = brk_scanResultFromJSONIndentifier(name)) return result;
    return BVScanResult::emptyResultWithIdentifier(identifier);
}

BVScanResultPtr fakeEmptyResult(const std::string& identifier) {
    if (!BVDebugSwitches::isOn(BVDebugModeFakeScanningEmptyResults)) return nullptr;
    return BVScanResult::emptyResultWithIdentifier(identifier);
}

void attachIgnoreStrategy(const BVEntityPtr& entity, const BVJunkKnowledgeBasePtr& knowledgeBase, const std::string& value) {
    BVBaseIgnoreStrategy::attach(entity, knowledgeBase, value);
}

std::shared_ptr<BVFileModel> fileModel(const std::string& path, uint64_t size, const BVJunkKnowledgeBasePtr& knowledgeBase,
                                       std::optional<bool> autoselected) {
    bool selected = autoselected ? *autoselected : knowledgeBase->shouldSelectItem(path);
    auto model = BVFileModel::modelWithPath(path, size, selected);
    attachIgnoreStrategy(model, knowledgeBase, path);
    model->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase, path));
    return model;
}

uint64_t itemSize(const BVFileManager& fileManager, const std::string& path,
                  const std::shared_ptr<BVPrivilegedOperationsPerformer>& performer, const BVProgressPtr& progress,
                  unsigned threads) {
    uint64_t size = fileManager.itemSizeAtPath(path, threads);
    if (size != 0 || !performer) return size;
    // Gone, or reached through a link or a mount: nothing to measure, and nothing the agent
    // should measure either.
    auto identity = fileManager.identityAtPath(path, nullptr);
    if (!identity) return 0;
    bool readable = identity->isDirectory() ? access(path.c_str(), R_OK | X_OK) == 0 : access(path.c_str(), R_OK) == 0;
    if (readable || !performer->isAuthorized()) return 0;
    return performer->fileSizeAtURL(path, progress);
}

std::vector<std::optional<uint64_t>> itemSizes(const BVFileManager& fileManager, const std::vector<std::string>& paths,
                                               const std::shared_ptr<BVPrivilegedOperationsPerformer>& performer,
                                               const std::shared_ptr<BVComputableProgress>& progress, bool countsUnits) {
    std::vector<std::optional<uint64_t>> sizes(paths.size());
    // One item alone is walked with every thread; many are shared out one walker thread each.
    unsigned threadsPerItem = paths.size() > 1 ? 1 : 0;
    std::atomic<size_t> next{0};
    auto measure = [&] {
        for (size_t i = next++; i < paths.size(); i = next++) {
            progress->sleepThreadWhilePaused();
            if (progress->isCancelled()) return;
            progress->setPath(paths[i]);
            uint64_t size = itemSize(fileManager, paths[i], performer, progress, threadsPerItem);
            progress->addSize(size);
            if (countsUnits) progress->addUnitsCount(1);
            sizes[i] = size;
        }
    };
    BVWorkerPool::shared().runParallel(paths.size() > 1 ? 2 : 1, [&](unsigned) { measure(); });
    return sizes;
}

std::shared_ptr<BVFileURLSequenceModel> folderContentsModel(const BVFileManager& fileManager, const std::string& folder,
                                                            const BVPredicatePtr& filter, const BVJunkKnowledgeBasePtr& knowledgeBase,
                                                            const std::shared_ptr<BVPrivilegedOperationsPerformer>& performer,
                                                            const std::shared_ptr<BVComputableProgress>& progress) {
    auto sequence = BVFileURLSequenceModel::sequenceWithPath(folder, knowledgeBase->shouldSelectItem(folder));
    attachIgnoreStrategy(sequence, knowledgeBase, folder);
    sequence->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase, folder));
    std::vector<std::string> inner;
    for (const auto& child : searchedFolderContents(fileManager, folder, progress))
        if (!filter->shouldIgnoreObject(child)) inner.push_back(child);
    auto sizes = itemSizes(fileManager, inner, performer, progress, false);
    for (size_t i = 0; i < inner.size(); ++i)
        if (sizes[i]) sequence->addChild(fileModel(inner[i], *sizes[i], knowledgeBase));
    if (sequence->files().empty()) return nullptr;
    return sequence;
}

std::vector<std::string> searchedFolderContents(const BVFileManager& fileManager, const std::string& folder,
                                                const std::shared_ptr<BVComputableProgress>& progress) {
    if (progress) {
        progress->setPath(folder);
        if (progress->isCancelled()) return {};
    }
    std::vector<std::string> children;
    BVError error;
    if (fileManager.contentsOfDirectoryAtPath(folder, children, &error)) return children;
    if (error.posixCode() == ELOOP || error.posixCode() == EXDEV)
        BVLogger::warning("[system junk] not searched: " + error.localizedDescription());
    return {};
}

std::string containerCachesSubpath(BVLayout layout) {
    return layout == BVLayout::macos ? "Data/Library/Caches" : "cache";
}

std::string containerLogsSubpath(BVLayout layout) {
    return layout == BVLayout::macos ? "Data/Library/Logs" : ".local/state";
}

std::vector<std::string> containerContents(const BVFileManager& fileManager, const std::optional<std::string>& containersFolder,
                                           const std::string& subpath, const std::shared_ptr<BVComputableProgress>& progress) {
    std::vector<std::string> contents;
    if (!containersFolder) return contents;
    for (const auto& container : fileManager.contentsOfDirectoryAtURL(*containersFolder, nullptr, 0)) {
        if (progress && progress->isCancelled()) break;
        auto children = searchedFolderContents(fileManager, container + "/" + subpath, progress);
        contents.insert(contents.end(), children.begin(), children.end());
    }
    return contents;
}

bool isSystemIntegrityProtected(const BVPaths& paths, const std::string& path) {
    if (paths.layout() != BVLayout::macos) return false;
    auto version = BVSystemVersion::current();
    if (version.majorVersion == 10 && version.minorVersion < 11) return false;
    auto within = [&](const char* folder) {
        std::string place = paths.systemPath(folder);
        return path == place || BVFileIO::isPathInside(path, place);
    };
    if (within("/usr/local")) return false;
    return within("/System") || within("/usr") || within("/bin") || within("/sbin");
}

}  // namespace BVSystemJunk
