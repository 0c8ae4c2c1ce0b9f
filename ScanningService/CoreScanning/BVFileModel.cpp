#include "ScanningService/CoreScanning/BVFileModel.h"

#include "Foundation/QLFileSizer.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

std::shared_ptr<BVFileModel> BVFileModel::modelWithPath(const std::string& path, uint64_t size, bool autoselected) {
    return BVEntity::model<BVFileModel>(BVURL::fileURLWithPath(path), size, autoselected);
}

BVRemovalResultPtr BVRemovalResultFromReport(const BVEntityPtr& entity, const BVRemoverReport& report) {
    if (!report.succeeded) return std::make_shared<BVRemovalResult>(entity, 0, report.error.value_or(BVError()));
    // What was really given back; the listed size when the removal cannot tell (a debug switch).
    return std::make_shared<BVRemovalResult>(entity, report.freedBytes.value_or(entity->size()), std::nullopt);
}

BVRemovalResultPtr BVFileModel::remove() {
    auto u = url();
    BVFileRemover::Path path = u ? BVFileRemover::Path(u->path()) : std::nullopt;
    auto mode = removeMethod_ == BVRemoveMethodImmediately ? BVRemovalMode::Delete : BVRemovalMode::Erase;
    return BVRemovalResultFromReport(shared_from_this(), remover()->removeItem(path, mode));
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
    auto report = remover()->removeContentsOfDirectory(u ? BVFileRemover::Path(u->path()) : std::nullopt, nullptr, &errors);
    if (report.succeeded) return BVRemovalResultFromReport(shared_from_this(), report);
    return std::make_shared<BVRemovalResult>(shared_from_this(), report.freedBytes.value_or(0),
                                             errors.empty() ? report.error.value_or(BVError()) : BVFolderContentsError(errors));
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
