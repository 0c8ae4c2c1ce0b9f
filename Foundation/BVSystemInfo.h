// BVSystemInfo: the installed applications and the job descriptions of this layout.
//
// On the macos layout the applications are the ".app" bundles in the all-users and the user's
// Applications folders (and one folder level below them), each with its bundle identifier and
// version from "Contents/Info.plist", the volume it lies on ("/" or "/Volumes/NAME") and the
// first helper bundle in "Contents/Library/LoginItems" (the helper its makers register to start
// at log-in). On the linux layout an autostart entry or launcher is known by its desktop-file
// name (its identifier), there are no helper bundles, and the job descriptions are the unit
// files. `allLaunchFiles` lists the job descriptions (regular files only) of the three folders.
// BVBundleSystemInfo is the real one; tests may use it on fixtures or write their own.
// Safe from any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVFileManager.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVValue.h"

struct BVInstalledApplication {
    std::string url;
    std::string bundleID;
    std::string version;
    std::string volumeURL = "/";
    std::optional<BVValue> loginItemInfo;             // the helper's Info.plist
    std::optional<std::string> loginItemBundleURL;    // the helper bundle
};

class BVSystemInfo {
public:
    virtual ~BVSystemInfo() = default;
    virtual std::optional<BVInstalledApplication> applicationByPath(const std::string& path) = 0;
    virtual std::vector<BVInstalledApplication> allFilteredApplications() = 0;
    virtual std::vector<BVInstalledApplication> applicationsWithBundleIdentifier(const std::string& bundleID) = 0;
    virtual std::vector<std::string> allLaunchFiles() = 0;
};

using BVSystemInfoPtr = std::shared_ptr<BVSystemInfo>;

class BVBundleSystemInfo : public BVSystemInfo {
public:
    BVBundleSystemInfo(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager);
    std::optional<BVInstalledApplication> applicationByPath(const std::string& path) override;
    std::vector<BVInstalledApplication> allFilteredApplications() override;
    std::vector<BVInstalledApplication> applicationsWithBundleIdentifier(const std::string& bundleID) override;
    std::vector<std::string> allLaunchFiles() override;

private:
    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
};
