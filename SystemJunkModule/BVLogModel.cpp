#include "SystemJunkModule/BVLogModel.h"

#include <algorithm>

#include "Foundation/BVFileIO.h"

#include "ScanningService/CoreScanning/BVFileModel.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

namespace {

std::string lowercaseExtension(const std::string& path) {
    std::string extension = BVFileIO::pathExtension(path);
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

}  // namespace

std::optional<BVError> BVLogModel::clearFile(const std::string& path) {
    std::string extension = lowercaseExtension(path);
    if ((extension == "log" || extension == "txt") && !fileManager_->isDirectoryAtPath(path)) {
        if (remover()->truncateFileAtPath(path)) return std::nullopt;
        return BVError::withDescription(BVLogModelDomain, BVLogModelErrorTruncate, "Couldn't empty " + path);
    }
    std::string description;
    if (remover()->removeFileAtPath(path, &description)) return std::nullopt;
    return BVError::withDescription(BVLogModelDomain, BVLogModelErrorRemove, description);
}

BVRemovalResultPtr BVLogModel::remove() {
    auto self = shared_from_this();
    if (!item_ || item_->url().empty() || !fileManager_->fileExistsAtPath(item_->url()))
        return BVRemovalResult::successfulResultWithModel(self);
    const std::string& path = item_->url();
    std::optional<BVError> error;
    if (!fileManager_->isDirectoryAtPath(path)) {
        error = clearFile(path);
    } else {
        std::vector<std::string> children;
        BVError listing;
        if (!fileManager_->contentsOfDirectoryAtPath(path, children, &listing))
            return BVRemovalResult::failedResultWithModel(self, listing);
        std::vector<BVError> errors;
        for (const auto& child : children) {
            if (!fileManager_->fileExistsAtPath(child)) continue;
            if (auto failure = clearFile(child)) errors.push_back(*failure);
        }
        if (!errors.empty()) error = BVFolderContentsError(errors);
    }
    return std::make_shared<BVRemovalResult>(self, error ? 0 : size(), error);
}

BVEntityPtr BVLogModel::fromJSONDictionary(const BVValue& dictionary) {
    auto paths = BVPaths::sharedInstance();
    auto item = std::make_shared<BVLogItem>(dictionary["url"].stringValue(), *paths, std::vector<std::string>{});
    std::optional<std::string> removalError;
    if (dictionary["removal_error"].isString()) removalError = dictionary["removal_error"].stringValue();
    return std::make_shared<BVLogModelJSONModel>(item, dictionary["size"].uint64Value(), dictionary["autoselected"].boolValue(),
                                                 removalError);
}

BVRemovalResultPtr BVLogModelJSONModel::remove() {
    if (removalError_)
        return BVRemovalResult::failedResultWithModel(shared_from_this(),
                                                      BVError::withDescription("com.json.removalerror", 0, *removalError_));
    return BVRemovalResult::successfulResultWithModel(shared_from_this());
}

BVEntityPtr BVLogModelFactory::logModelWithItem(const BVLogItemPtr& item, uint64_t size, bool autoselected) const {
    return std::make_shared<BVLogModel>(item, size, autoselected);
}
