// The POSIX implementation of BVFileManager. Stateless; safe from any thread.
#pragma once

#include "Foundation/BVFileManager.h"

class BVPOSIXFileManager : public BVFileManager {
public:
    bool fileExistsAtPath(const std::string& path) const override;
    bool isDirectoryAtPath(const std::string& path) const override;
    std::vector<std::string> contentsOfDirectoryAtURL(const std::string& folder,
                                                      const std::shared_ptr<BVComputableProgress>& progress,
                                                      uint64_t options) const override;
    bool contentsOfDirectoryAtPath(const std::string& folder, std::vector<std::string>& children,
                                   BVError* error) const override;
    bool removeFileAtPath(const std::string& path, BVError* error) const override;
    bool securelyRemoveFileAtPath(const std::string& path, BVError* error) const override;
    bool truncateFileAtPath(const std::string& path, BVError* error) const override;
    std::vector<std::string> findFile(const std::string& name, const std::string& folder, bool matchByWords,
                                      bool recursive) const override;
};
