// The media caches of one photo library, offered as two preselected entities: the photos cache
// (derived versions and masters, never a movie) and the faces cache (face crops). Current
// libraries keep them in folders (resources/media/version, .../master, .../face), walked
// without following links; libraries of systems older than 12 list them as resources, read
// through the photo-library access layer (BVPhotos). Either cache goes on the ignore list as a
// whole by its group key, and each file by its path. `scan` runs on one scan-queue thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVPhotos.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "ScanningService/CoreScanning/BVScanResult.h"
#include "ScanningService/CoreScanning/BVScanTask.h"

inline constexpr const char* BVPhotosScanIdentifierCache = "BVPhotosScanIdentifierCache";
inline constexpr const char* BVPhotosScanIdentifierFacesCache = "BVPhotosScanIdentifierFacesCache";
inline constexpr const char* BVPhotosScanIdentifierCacheCompound = "BVPhotosScanIdentifierCacheCompound";

using BVPhotosKnowledgeBasePtr = std::shared_ptr<BVKnowledgeBaseWrapper>;

// A cache kept in folders of the library: every file below them (not a folder, not entered
// through a link), except those the filter refuses and those on the ignore list.
class BVPhotosFolderCacheScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVPhotosFolderCacheScanTask(std::string libraryURL, BVFileManagerPtr fileManager, BVPhotosKnowledgeBasePtr knowledgeBase);
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

protected:
    virtual std::string key() const = 0;
    virtual std::vector<std::string> folders() const = 0;  // relative to the library
    virtual bool keeps(const std::string& path) const = 0;

    std::string libraryURL_;
    BVFileManagerPtr fileManager_;
    BVPhotosKnowledgeBasePtr knowledgeBase_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();

private:
    void collect(const std::string& folder, std::vector<std::pair<std::string, uint64_t>>& files) const;
};

class BVPhotosCacheScanTask final : public BVPhotosFolderCacheScanTask {
public:
    using BVPhotosFolderCacheScanTask::BVPhotosFolderCacheScanTask;
    std::string identifier() const override { return BVPhotosScanIdentifierCache; }

private:
    std::string key() const override;
    std::vector<std::string> folders() const override { return {"resources/media/version", "resources/media/master"}; }
    bool keeps(const std::string& path) const override;  // no movie ("mov")
};

class BVPhotosFacesCacheScanTask final : public BVPhotosFolderCacheScanTask {
public:
    using BVPhotosFolderCacheScanTask::BVPhotosFolderCacheScanTask;
    std::string identifier() const override { return BVPhotosScanIdentifierFacesCache; }

private:
    std::string key() const override;
    std::vector<std::string> folders() const override { return {"resources/media/face"}; }
    bool keeps(const std::string&) const override { return true; }
};

// Both caches of an older library, from its resource records: the faces (attached model type
// 5, unadjusted raw or non-raw) and the versions (resource type 4) then masters (type 5). The
// photos cache is named by the cloud key when the library keeps resources in the cloud. Opens
// the library (60 seconds at most); a library that does not open gives its error as the result.
class BVPhotosCacheLegacyScanTask final : public BVScanTask, public BVProgressReporting {
public:
    BVPhotosCacheLegacyScanTask(BVPhotosPtr photos, BVFileManagerPtr fileManager, BVPhotosKnowledgeBasePtr knowledgeBase);
    std::string identifier() const override { return BVPhotosScanIdentifierCache; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

    static BVPhotosPredicatePtr facesPredicate();
    static BVPhotosPredicatePtr versionsPredicate();
    static BVPhotosPredicatePtr mastersPredicate();

private:
    BVPhotosPtr photos_;
    BVFileManagerPtr fileManager_;
    BVPhotosKnowledgeBasePtr knowledgeBase_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};

namespace BVPhotosCompoundScanTask {
// The caches of the library at `libraryURL` as one task: on systems older than 12 the legacy
// task over `photos` (none without a library handle), otherwise the faces task then the cache
// task.
BVScanTaskPtr make(const std::string& libraryURL, BVFileManagerPtr fileManager, BVPhotosKnowledgeBasePtr knowledgeBase,
                   BVPhotosPtr photos);
// The faces task then the cache task run inside the opened library.
BVScanTaskPtr makeInOpenedLibrary(const std::string& libraryURL, BVFileManagerPtr fileManager,
                                  BVPhotosKnowledgeBasePtr knowledgeBase, BVPhotosPtr photos);
}  // namespace BVPhotosCompoundScanTask
