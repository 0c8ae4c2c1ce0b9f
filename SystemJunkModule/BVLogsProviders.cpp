#include "SystemJunkModule/BVLogsProviders.h"

#include <sys/stat.h>

#include "SystemJunkModule/BVSystemJunkSupport.h"

std::vector<std::string> BVQuarantine::downloadsLogsURLs() const {
    if (paths_->layout() != BVLayout::macos) return {};
    auto preferences = paths_->userPreferences();
    if (!preferences) return {};
    return {*preferences + "/com.apple.LaunchServices.QuarantineEventsV2", *preferences + "/com.apple.LaunchServices.QuarantineEvents"};
}

BVLogsPathsProviderPtr BVFolderLogsProvider::localLogsProvider(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager) {
    auto folder = paths->localLogs();
    return std::make_shared<BVFolderLogsProvider>(folder, std::move(paths), std::move(fileManager));
}

BVLogsPathsProviderPtr BVFolderLogsProvider::userLogsProvider(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager) {
    auto folder = paths->userLogs();
    return std::make_shared<BVFolderLogsProvider>(folder, std::move(paths), std::move(fileManager));
}

bool BVFolderLogsProvider::scanningPaths(std::vector<std::string>& paths, BVError* error) const {
    paths.clear();
    if (!folder_ || !fileManager_->isDirectoryAtPath(*folder_)) return true;
    std::vector<std::string> children;
    if (!fileManager_->contentsOfDirectoryAtPath(*folder_, children, error)) return false;
    // On linux the journal lives in /var/log: it is offered as the diagnostics store, which the
    // agent vacuums; deleting its files one by one under the running journal would corrupt it.
    auto diagnostics = paths_->diagnosticsLogs();
    auto asl = paths_->aslLogs();
    for (auto& child : children)
        if (child != diagnostics && child != asl) paths.push_back(std::move(child));
    return true;
}

bool BVSandboxLogsProvider::scanningPaths(std::vector<std::string>& paths, BVError*) const {
    paths = BVSystemJunk::containerContents(*fileManager_, paths_->sandboxContainer(),
                                            BVSystemJunk::containerLogsSubpath(paths_->layout()), nullptr);
    return true;
}

bool BVQuarantineLogsProvider::scanningPaths(std::vector<std::string>& paths, BVError*) const {
    paths = quarantine_.downloadsLogsURLs();
    return true;
}

bool BVStoreLogsProvider::scanningPaths(std::vector<std::string>& paths, BVError*) const {
    paths.clear();
    struct stat st {};
    if (store_ && lstat(store_->c_str(), &st) == 0) paths.push_back(*store_);
    return true;
}
