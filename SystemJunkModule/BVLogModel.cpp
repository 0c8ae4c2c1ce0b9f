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

bool BVLogModel::isEmptiedInPlace(const std::string& path) {
    std::string extension = lowercaseExtension(path);
    return extension == "log" || extension == "txt";
}

BVRemovalAction BVLogModel::removalAction() const {
    if (!item_ || item_->url().empty()) return BVRemovalAction::Remove;
    return isEmptiedInPlace(item_->url()) || fileManager_->isDirectoryAtPath(item_->url()) ? BVRemovalAction::Empty
                                                                                          : BVRemovalAction::Remove;
}

BVRemovalResultPtr BVLogModel::remove() {
    auto self = shared_from_this();
    if (!item_ || item_->url().empty()) return BVRemovalResult::emptyResultWithModel(self);
    const std::string& path = item_->url();
    auto rem = remover();
    BVError error;
    auto identity = fileManager_->identityAtPath(path, &error);
    if (!identity) {
        if (error.posixCode() == ENOENT) return BVRemovalResult::emptyResultWithModel(self);  // already gone: nothing freed
        return BVRemovalResult::failedResultWithModel(self, error);
    }
    auto clearError = [](const BVRemoverReport& report, int64_t code) {
        return BVError(BVLogModelDomain, code,
                       BVDictionary{{BVLocalizedDescriptionKey, BVValue(report.description())},
                                    {BVUnderlyingErrorKey, report.error ? BVValue(BVDictionary{{"domain", BVValue(report.error->domain())},
                                                                                                {"code", BVValue(report.error->code())}})
                                                                        : BVValue()}});
    };
    if (!identity->isDirectory()) {
        bool emptied = isEmptiedInPlace(path);
        auto report = emptied ? rem->emptyFile(path) : rem->removeItem(path);
        if (!report.succeeded)
            return BVRemovalResult::failedResultWithModel(self, clearError(report, emptied ? BVLogModelErrorTruncate : BVLogModelErrorRemove));
        return BVRemovalResultFromReport(self, report);
    }
    // A folder of logs: each entry treated so, relative to the folder opened once (a folder
    // swapped for a link or another folder since it was listed is refused as a whole).
    auto folder = rem->openFolder(path, &error);
    std::vector<std::string> names;
    if (!folder || !folder->childNames(names, &error)) return BVRemovalResult::failedResultWithModel(self, error);
    std::vector<BVError> errors;
    std::optional<uint64_t> freed = 0;
    for (const auto& name : names) {
        auto child = folder->childIdentity(name, nullptr);
        if (!child) continue;  // gone since the listing
        bool emptied = !child->isDirectory() && isEmptiedInPlace(name);
        auto report = emptied ? rem->emptyInFolder(*folder, name) : rem->removeInFolder(*folder, name);
        if (!report.succeeded) errors.push_back(clearError(report, emptied ? BVLogModelErrorTruncate : BVLogModelErrorRemove));
        else if (freed && report.freedBytes) *freed += *report.freedBytes;
        else freed.reset();
    }
    if (!errors.empty()) return std::make_shared<BVRemovalResult>(self, freed.value_or(0), BVFolderContentsError(errors));
    return std::make_shared<BVRemovalResult>(self, freed.value_or(size()), std::nullopt);
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
