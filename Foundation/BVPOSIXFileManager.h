// The POSIX implementation of BVFileManager: folders are opened through BVSafeResolver from the
// anchors of the paths it was made with (the process-wide paths at each call when none were
// given), and acted on with the *at system calls relative to their descriptors. Stateless apart
// from its paths; safe from any thread.
#pragma once

#include "Foundation/BVFileManager.h"

class BVPaths;

class BVPOSIXFileManager : public BVFileManager {
public:
    explicit BVPOSIXFileManager(std::shared_ptr<const BVPaths> paths = nullptr);
    std::unique_ptr<BVFolderHandle> openFolder(const std::string& path, const std::optional<BVFileIdentity>& expected,
                                               BVError* error) const override;
    uint64_t itemSizeAtPath(const std::string& path, unsigned threads = 0) const override;

private:
    std::shared_ptr<const BVPaths> paths_;
};
