// The file-backed entities most scanners report: a file or folder removed as a whole
// (BVFileModel), the contents of a folder (BVFolderModel), and a folder shown as the group of
// files found in it (BVFileURLSequenceModel). Each removes itself through the file remover and
// reports what was freed. Built on one scan thread, removed on the clean worker.
#pragma once

#include "Foundation/BVError.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"
#include "ScanningService/CoreScanning/BVURLRepresentableModel.h"

struct BVRemoverReport;
// The removal result of an entity removed by the file remover: what was freed, or the error.
BVRemovalResultPtr BVRemovalResultFromReport(const BVEntityPtr& entity, const BVRemoverReport& report);

enum BVRemoveMethod : uint64_t { BVRemoveMethodImmediately = 0, BVRemoveMethodSecurely = 1 };

class BVFileModel : public BVEntity, public BVURLRepresentableModel {
    BV_ENTITY_CLASS(BVFileModel)
public:
    // `value` is the item's file URL.
    BVFileModel(BVObjectPtr value, uint64_t size, bool autoselected) : BVEntity(std::move(value), size, autoselected) {}
    static std::shared_ptr<BVFileModel> modelWithPath(const std::string& path, uint64_t size, bool autoselected);

    BVURLPtr url() const { return std::dynamic_pointer_cast<const BVURL>(value()); }
    BVURLPtr fileURL() const override { return url(); }
    uint64_t removeMethod() const { return removeMethod_; }
    void setRemoveMethod(uint64_t method) { removeMethod_ = method; }

    // Deletes the item (securely when the method says so); the result has the space really
    // freed when the remover succeeded (an item already gone frees nothing), else 0 and the
    // remover's error.
    BVRemovalResultPtr remove() override;

private:
    uint64_t removeMethod_ = BVRemoveMethodImmediately;
};

inline constexpr const char* BVFolderModelErrorDomain = "BVFolderModelErrorDomain";
inline constexpr int64_t BVFolderModelErrorContents = 101;
inline constexpr const char* BVFolderContentErrorsKey = "NSErrorUserInfoKeyFolderContentErrors";
// The one error of a folder whose contents were partly left: every item's error under
// BVFolderContentErrorsKey, their descriptions joined by newlines as its description.
BVError BVFolderContentsError(const std::vector<BVError>& errors);

class BVFolderModel : public BVFileModel {
    BV_ENTITY_CLASS(BVFolderModel)
public:
    BVFolderModel(BVObjectPtr value, uint64_t size, bool autoselected) : BVFileModel(std::move(value), size, autoselected) {}
    static std::shared_ptr<BVFolderModel> modelWithPath(const std::string& path, uint64_t size, bool autoselected);
    // Empties the folder (it stays). Children that could not be removed are listed in one
    // error of BVFolderModelErrorDomain, code 101; the result has what the others freed.
    BVRemovalResultPtr remove() override;
    BVRemovalAction removalAction() const override { return BVRemovalAction::Empty; }
};

class BVFileURLSequenceModel : public BVGroupedSequenceModel, public BVURLRepresentableModel {
    BV_ENTITY_CLASS(BVFileURLSequenceModel)
public:
    // `groupObject` is the folder's file URL.
    BVFileURLSequenceModel(BVObjectPtr groupObject, bool isAutoselected)
        : BVGroupedSequenceModel(std::move(groupObject), isAutoselected) {}
    BVFileURLSequenceModel(BVObjectPtr value, uint64_t size, bool autoselected)
        : BVGroupedSequenceModel(std::move(value), size, autoselected) {}
    static std::shared_ptr<BVFileURLSequenceModel> sequenceWithPath(const std::string& folder, bool autoselected);

    BVURLPtr url() const { return std::dynamic_pointer_cast<const BVURL>(value()); }
    BVURLPtr fileURL() const override { return url(); }
    std::vector<BVEntityPtr> files() const { return children(); }
    bool shouldRemoveSelf() const { return shouldRemoveSelf_; }
    bool removesItsOwnFolder() const override { return shouldRemoveSelf_; }
    void setShouldRemoveSelf(bool value) { shouldRemoveSelf_ = value; }

    // The listed files, then (when the folder itself goes) a file entity for the folder.
    std::vector<BVEntityPtr> itemsToRemove() const;
    BVRemovalResultPtr remove() override;

private:
    bool shouldRemoveSelf_ = false;
};
