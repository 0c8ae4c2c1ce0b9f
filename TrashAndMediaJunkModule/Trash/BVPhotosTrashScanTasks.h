// The two photo-library trash scans. BVPhotosTrashScanTask lists the photos in the library's
// own trash; BVTwinaraTrashScanTask lists the photos the duplicate finder gathered in its
// album (by any of its localised names), unless the album is hidden or itself in the trash.
// Each opens the library (60 seconds at most), answers an empty result when it does not open,
// and closes it at the end. `scan` runs on one scan-queue thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVPhotos.h"
#include "ScanningService/CoreScanning/BVScanResult.h"

inline constexpr const char* BVTrashBinScanIdentifierPhotos = "BVTrashBinScanIdentifierPhotos";
inline constexpr const char* BVTrashBinScanIdentifierTwinara = "BVTrashBinScanIdentifierTwinara";
inline constexpr double BVPhotosLibraryOpenTimeout = 60;

// The duplicate finder's album name in every language it ships.
const std::vector<std::string>& BVTwinaraAlbumNames();

class BVPhotosLibraryScanTask : public BVScanTask, public BVProgressReporting {
public:
    explicit BVPhotosLibraryScanTask(BVPhotosPtr photos) : photos_(std::move(photos)) {}
    const BVPhotosPtr& photos() const { return photos_; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

protected:
    // The versions to list, with their image-proxy state loaded; called with the library open.
    virtual std::vector<BVPhotosVersion> fetchVersions() = 0;
    virtual uint64_t itemType() const = 0;
    virtual const char* cannedName() const = 0;

    BVPhotosPtr photos_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};

class BVPhotosTrashScanTask final : public BVPhotosLibraryScanTask {
public:
    using BVPhotosLibraryScanTask::BVPhotosLibraryScanTask;
    std::string identifier() const override { return BVTrashBinScanIdentifierPhotos; }

private:
    std::vector<BVPhotosVersion> fetchVersions() override;
    uint64_t itemType() const override { return 0; }
    const char* cannedName() const override { return "BVPhotosTrashScanTask"; }
};

class BVTwinaraTrashScanTask final : public BVPhotosLibraryScanTask {
public:
    using BVPhotosLibraryScanTask::BVPhotosLibraryScanTask;
    std::string identifier() const override { return BVTrashBinScanIdentifierTwinara; }
    // (name = any album name) AND isHidden = NO AND isInTrash = NO.
    static BVPhotosPredicatePtr albumPredicate();

private:
    std::vector<BVPhotosVersion> fetchVersions() override;
    uint64_t itemType() const override { return 1; }
    const char* cannedName() const override { return "BVTwinaraTrashScanTask"; }
};
