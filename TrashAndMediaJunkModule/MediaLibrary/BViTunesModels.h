// What the media-library scans offer: a device backup (a folder, removed as a file item) with
// whether it is the device's newest and its date, and the group of one device's backups (or of
// the backups whose device is not known, "Broken Backups").
#pragma once

#include <optional>
#include <string>

#include "ScanningService/CoreScanning/BVFileModel.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"

struct BViTunesBackupDevice {
    std::string deviceName, productType;
    // "NAME, PRODUCT" when the product type is known, else the name.
    std::string uniqueID() const { return productType.empty() ? deviceName : deviceName + ", " + productType; }
    std::string deviceFullName() const { return uniqueID(); }
    bool operator==(const BViTunesBackupDevice& o) const { return deviceFullName() == o.deviceFullName(); }
    bool operator<(const BViTunesBackupDevice& o) const { return deviceFullName() < o.deviceFullName(); }
};

class BViTunesBackup : public BVFileModel {
    BV_ENTITY_CLASS(BViTunesBackup)
public:
    BViTunesBackup(const std::string& folder, uint64_t size, bool autoselected, bool latest, std::optional<BVDate> date);
    bool latest() const { return latest_; }
    const std::optional<BVDate>& date() const { return date_; }

private:
    bool latest_;
    std::optional<BVDate> date_;
};

inline constexpr const char* BViTunesBrokenBackupsKey = "Broken Backups";

class BViTunesBackupGroup : public BVTreeEntity {
    BV_ENTITY_CLASS(BViTunesBackupGroup)
public:
    // Named by the device, or "Broken Backups" without one.
    static std::shared_ptr<BViTunesBackupGroup> groupForDevice(const std::optional<BViTunesBackupDevice>& device);
    explicit BViTunesBackupGroup(const std::string& name) : BVTreeEntity(BVValueObject::with(BVValue(name)), 0, false) {}
    std::vector<BVEntityPtr> backups() const { return children(); }
};
