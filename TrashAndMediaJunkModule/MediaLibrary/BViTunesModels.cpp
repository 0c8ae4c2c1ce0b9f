#include "TrashAndMediaJunkModule/MediaLibrary/BViTunesModels.h"

BViTunesBackup::BViTunesBackup(const std::string& folder, uint64_t size, bool autoselected, bool latest, std::optional<BVDate> date)
    : BVFileModel(BVURL::fileURLWithPath(folder, true), size, autoselected), latest_(latest), date_(date) {}

std::shared_ptr<BViTunesBackupGroup> BViTunesBackupGroup::groupForDevice(const std::optional<BViTunesBackupDevice>& device) {
    return std::make_shared<BViTunesBackupGroup>(device ? device->deviceFullName() : std::string(BViTunesBrokenBackupsKey));
}
