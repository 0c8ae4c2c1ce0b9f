#include "ScanningService/CoreScanning/BVFileModel.h"

#include "Foundation/QLFileSizer.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

std::shared_ptr<BVFileModel> BVFileModel::modelWithPath(const std::string& path, uint64_t size, bool autoselected) {
    return BVEntity::model<BVFileModel>(BVURL::fileURLWithPath(path), size, autoselected);
}

BVRemovalResultPtr BVFileModel::remove() {
    auto u = url();
    BVFileRemover::Path path = u ? BVFileRemover::Path(u->path()) : std::nullopt;
    BVError error;
    bool removed = removeMethod_ == BVRemoveMethodImmediately ? remover()->removeFileAtPath(path, &error)
                                                               : remover()->securelyRemoveFileAtPath(path, &error);
    return std::make_shared<BVRemovalResult>(shared_from_this(), removed ? size() : 0,
                                             removed ? std::nullopt : std::optional<BVError>(error));
}

std::shared_ptr<BVFolderModel> BVFolderModel::modelWithPath(const std::string& path, uint64_t size, bool autoselected) {
    return BVEntity::model<BVFolderModel>(BVURL::fileURLWithPath(path, true), size, autoselected);
}

BVError BVFolderContentsError(const std::vector<BVError>& errors) {
    BVArray list;
    std::string descriptions;
    for (const auto& e : errors) {
        list.push_back(BVValue(BVDictionary{{"domain", BVValue(e.domain())},
                                            {"code", BVValue(e.code())},
                                            {BVLocalizedDescriptionKey, BVValue(e.localizedDescription())}}));
        if (!descriptions.empty()) descriptions += "\n";
        descriptions += e.localizedDescription();
    }
    return BVError(BVFolderModelErrorDomain, BVFolderModelErrorContents,
                   BVDictionary{{BVFolderContentErrorsKey, BVValue(std::move(list))},
                                {BVLocalizedDescriptionKey, BVValue(descriptions)}});
}

BVRemovalResultPtr BVFolderModel::remove() {
    auto u = url();
    std::vector<BVError> errors;
    bool removed = remover()->removeContentsOfDirectoryAtPath(u ? BVFileRemover::Path(u->path()) : std::nullopt, &errors);
    std::optional<BVError> error;
    if (!errors.empty()) error = BVFolderContentsError(errors);
    return std::make_shared<BVRemovalResult>(shared_from_this(), removed ? size() : 0, error);
}

std::shared_ptr<BVFileURLSequenceModel> BVFileURLSequenceModel::sequenceWithPath(const std::string& folder, bool autoselected) {
    return std::make_shared<BVFileURLSequenceModel>(BVURL::fileURLWithPath(folder, true), autoselected);
}

std::vector<BVEntityPtr> BVFileURLSequenceModel::itemsToRemove() const {
    auto items = files();
    if (shouldRemoveSelf_) {
        if (auto u = url()) {
            auto self = BVFileModel::modelWithPath(u->path(), QLFileSizer::itemSizeAtURL(u->path()), autoselected());
            self->setRemover(remover());
            items.push_back(self);
        }
    }
    return items;
}

BVRemovalResultPtr BVFileURLSequenceModel::remove() {
    auto result = BVRemovalResult::emptyResultWithModel(shared_from_this());
    for (const auto& item : itemsToRemove()) result->addChild(item->remove());
    return result;
}
