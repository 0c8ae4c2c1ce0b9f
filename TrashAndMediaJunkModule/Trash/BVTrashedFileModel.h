// BVTrashedFileModel: an item in a trash folder. In a trash kept the freedesktop way (an
// "files" folder beside an "info" folder, as in ~/.local/share/Trash and a removable volume's
// .Trash-UID), each item has a record "info/NAME.trashinfo" saying where it came from; removing
// the item also removes that record, so the trash lists no item that is gone. The record goes
// only after the item itself is gone: an item that could not be removed keeps its record and
// can still be restored. Built on a scan thread, removed on the clean worker.
#pragma once

#include "ScanningService/CoreScanning/BVFileModel.h"

inline constexpr const char* BVTrashErrorDomain = "BVTrashErrorDomain";
inline constexpr int64_t BVTrashErrorInfoRecord = 1;  // the item is gone, its record stayed

class BVTrashedFileModel : public BVFileModel {
    BV_ENTITY_CLASS(BVTrashedFileModel)
public:
    BVTrashedFileModel(BVObjectPtr value, uint64_t size, bool autoselected) : BVFileModel(std::move(value), size, autoselected) {}
    // `infoRecordPath` empty: the trash keeps no records.
    static std::shared_ptr<BVTrashedFileModel> modelWithPath(const std::string& path, uint64_t size, bool autoselected,
                                                             std::string infoRecordPath);

    const std::string& infoRecordPath() const { return infoRecordPath_; }
    // The item as a file entity would; then its record. A record that cannot be removed makes
    // the result fail with BVTrashErrorInfoRecord, though the item's space was freed.
    BVRemovalResultPtr remove() override;

    // The record of the item at `itemPath` when the folder holding it is a freedesktop trash's
    // "files" folder (its sibling "info" folder exists); empty otherwise.
    static std::string infoRecordPathForItem(const std::string& itemPath);

private:
    std::string infoRecordPath_;
};
