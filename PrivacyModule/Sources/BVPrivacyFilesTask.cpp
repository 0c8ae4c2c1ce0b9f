#include "PrivacyModule/Sources/BVPrivacyFilesTask.h"

#include <unistd.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/QLFileSizer.h"

BVPrivacyFilesTask::BVPrivacyFilesTask(std::string identifier, std::string accountPath, std::vector<std::string> fileNames,
                                       std::vector<std::string> dependenciesBundleIDs, BVFileManagerPtr fileManager)
    : BVPrivacyScanTask(identifier, "BVPrivacyFilesTask", std::move(dependenciesBundleIDs)),
      accountPath_(std::move(accountPath)),
      fileNames_(std::move(fileNames)),
      fileManager_(std::move(fileManager)) {}

std::optional<std::vector<BVEntityPtr>> BVPrivacyFilesTask::makeItems(BVError*) {
    auto group = std::make_shared<BVPrivacyGroupModel>(identifier());
    std::vector<std::string> names = fileNames_;
    for (const auto& prefix : namePrefixes_) {
        std::string folder = BVFileIO::parentPath("/" + prefix).substr(1), start = BVFileIO::lastPathComponent(prefix);
        for (const auto& child : fileManager_->contentsOfDirectoryAtURL(BVFileIO::appendPathComponent(accountPath_, folder), nullptr,
                                                                        BVDirectoryEnumerationSkipsHiddenFiles)) {
            std::string name = BVFileIO::lastPathComponent(child);
            if (name.rfind(start, 0) == 0) names.push_back(BVFileIO::appendPathComponent(folder, name));
        }
    }
    computableProgress()->addPendingUnitsCount(names.size());
    // Removing a name needs write access to its folder.
    bool deletable = ::access(accountPath_.c_str(), W_OK | X_OK) == 0;
    for (const auto& name : names) {
        std::string path = BVFileIO::appendPathComponent(accountPath_, name);
        auto identity = deletable ? fileManager_->identityAtPath(path, nullptr) : std::nullopt;
        if (identity && (identity->isRegularFile() || identity->isDirectory())) {
            BVDate date{identity->birthSeconds > 0 ? double(identity->birthSeconds) : -62135769600.0};
            uint64_t size = identity->isDirectory() ? QLFileSizer::itemSizeAtPath(path) : identity->allocatedBytes;
            auto file = BVPrivacyFileModel::modelWithPath(path, size, date);
            file->setRemovalDependenciesFetcher(dependenciesFetcher());
            group->addChild(file);
        }
        if (!advance(path)) break;
    }
    return std::vector<BVEntityPtr>{group};
}
