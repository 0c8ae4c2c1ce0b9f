// Caches that applications keep outside the caches folders, each known by its place.
//
// BVSpecialApplicationCacheInfo: an application's name and its cache folder; two infos are the
// same cache when their folders are. BVSpecialApplicationCacheModel: such a folder offered for
// emptying (the folder stays: its application expects it), with its info. BVSpecialAppsProvider:
// the known caches of the layout, read once when made: for the user a video editor's media
// cache in Application Support; for all users the copy of the system's shared-library cache
// that the migration assistant leaves in the first "Migration-" entry of its history (none
// without one). The linux layout has no such caches. Immutable after construction; any thread.
#pragma once

#include <vector>

#include "Foundation/BVFileManager.h"
#include "Foundation/BVPaths.h"
#include "ScanningService/CoreScanning/BVFileModel.h"

class BVSpecialApplicationCacheInfo final : public BVObject {
public:
    BVSpecialApplicationCacheInfo(std::string applicationName, std::string cachePath)
        : applicationName_(std::move(applicationName)), cachePath_(std::move(cachePath)) {}
    const std::string& applicationName() const { return applicationName_; }
    const std::string& cachePath() const { return cachePath_; }
    bool isEqual(const BVObject& other) const override;
    size_t hash() const override { return std::hash<std::string>{}(cachePath_); }
    std::string description() const override { return applicationName_ + " - " + cachePath_; }

private:
    std::string applicationName_;
    std::string cachePath_;
};

using BVSpecialApplicationCacheInfoPtr = std::shared_ptr<const BVSpecialApplicationCacheInfo>;

// Its value is the cache folder's URL, as for every folder model, so that it is removed and
// shown like one; the info rides along.
class BVSpecialApplicationCacheModel : public BVFolderModel {
    BV_ENTITY_CLASS(BVSpecialApplicationCacheModel)
public:
    BVSpecialApplicationCacheModel(BVSpecialApplicationCacheInfoPtr info, uint64_t size, bool autoselected);
    const BVSpecialApplicationCacheInfoPtr& cacheInfo() const { return info_; }

private:
    BVSpecialApplicationCacheInfoPtr info_;
};

class BVSpecialAppsProvider {
public:
    BVSpecialAppsProvider(const BVPaths& paths, const BVFileManager& fileManager);
    const std::vector<BVSpecialApplicationCacheInfoPtr>& userApps() const { return userApps_; }
    const std::vector<BVSpecialApplicationCacheInfoPtr>& systemApps() const { return systemApps_; }

private:
    std::vector<BVSpecialApplicationCacheInfoPtr> userApps_;
    std::vector<BVSpecialApplicationCacheInfoPtr> systemApps_;
};
