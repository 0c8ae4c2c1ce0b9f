#include "Foundation/BVSystemInfo.h"

#include "Foundation/BVFileIO.h"
#include "Foundation/BVPlistCodec.h"

namespace {

std::optional<BVValue> infoPlist(const std::string& bundle) {
    auto info = BVPlistCodec::decodeFile(BVFileIO::appendPathComponent(bundle, "Contents/Info.plist"));
    if (!info || !info->isDictionary()) return std::nullopt;
    return info;
}

}  // namespace

BVBundleSystemInfo::BVBundleSystemInfo(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager)
    : paths_(std::move(paths)), fileManager_(std::move(fileManager)) {}

std::optional<BVInstalledApplication> BVBundleSystemInfo::applicationByPath(const std::string& path) {
    BVInstalledApplication app;
    app.url = path;
    std::string name = BVFileIO::lastPathComponent(path);
    if (paths_->layout() == BVLayout::linux) {
        if (BVFileIO::pathExtension(name) != "desktop") return std::nullopt;
        app.bundleID = name.substr(0, name.size() - 8);
        return app;
    }
    if (BVFileIO::pathExtension(name) != "app" || !fileManager_->isDirectoryAtPath(path)) return std::nullopt;
    auto info = infoPlist(path);
    if (!info) return std::nullopt;
    app.bundleID = (*info)["CFBundleIdentifier"].stringValue();
    app.version = (*info)["CFBundleShortVersionString"].stringValue();
    std::string volumes = paths_->systemPath("/Volumes");
    if (BVFileIO::isPathInside(path, volumes)) {
        std::string rest = path.substr(volumes.size() + 1);
        app.volumeURL = BVFileIO::appendPathComponent(volumes, rest.substr(0, rest.find('/')));
    }
    std::vector<std::string> helpers;
    fileManager_->contentsOfDirectoryAtPath(BVFileIO::appendPathComponent(path, "Contents/Library/LoginItems"), helpers, nullptr);
    for (const auto& helper : helpers) {
        if (BVFileIO::pathExtension(helper) != "app") continue;
        if (auto helperInfo = infoPlist(helper)) {
            app.loginItemInfo = helperInfo;
            app.loginItemBundleURL = helper;
            break;
        }
    }
    return app;
}

std::vector<BVInstalledApplication> BVBundleSystemInfo::allFilteredApplications() {
    std::vector<BVInstalledApplication> apps;
    if (paths_->layout() != BVLayout::macos) return apps;
    std::vector<std::string> volumeApps;
    for (const auto& volume : fileManager_->contentsOfDirectoryAtURL(paths_->systemPath("/Volumes"), nullptr, 0))
        volumeApps.push_back(BVFileIO::appendPathComponent(volume, "Applications"));
    std::vector<std::optional<std::string>> folders = {paths_->applications(), paths_->userApplications()};
    for (const auto& f : volumeApps) folders.push_back(f);
    for (const auto& folder : folders) {
        if (!folder) continue;
        for (const auto& child : fileManager_->contentsOfDirectoryAtURL(*folder, nullptr, 0)) {
            std::vector<std::string> candidates = {child};
            if (BVFileIO::pathExtension(child) != "app")
                candidates = fileManager_->contentsOfDirectoryAtURL(child, nullptr, 0);
            for (const auto& candidate : candidates)
                if (BVFileIO::pathExtension(candidate) == "app")
                    if (auto app = applicationByPath(candidate)) apps.push_back(*app);
        }
    }
    return apps;
}

std::vector<BVInstalledApplication> BVBundleSystemInfo::applicationsWithBundleIdentifier(const std::string& bundleID) {
    std::vector<BVInstalledApplication> out;
    for (auto& app : allFilteredApplications())
        if (app.bundleID == bundleID) out.push_back(std::move(app));
    return out;
}

std::vector<std::string> BVBundleSystemInfo::allLaunchFiles() {
    std::string extension = paths_->layout() == BVLayout::linux ? "service" : "plist";
    std::vector<std::string> files;
    for (const auto& folder : {paths_->launchAgentsPath(), paths_->systemLaunchAgentsPath(), paths_->launchDaemonsPath()}) {
        if (!folder) continue;
        for (const auto& path : fileManager_->contentsOfDirectoryAtURL(*folder, nullptr, 0)) {
            if (BVFileIO::pathExtension(path) != extension) continue;
            auto identity = fileManager_->identityAtPath(path, nullptr);
            if (identity && identity->isRegularFile()) files.push_back(path);
        }
    }
    return files;
}
