#include "TrashAndMediaJunkModule/MediaLibrary/BViTunesLibrary.h"

#include <algorithm>

#include "Foundation/BVASCIICase.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPlistCodec.h"

BViTunesLibrary::BViTunesLibrary(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager)
    : paths_(std::move(paths)), fileManager_(std::move(fileManager)) {}

const std::vector<std::string>& BViTunesLibrary::affectedAlbumCachesFolders() {
    static const std::vector<std::string> folders = {"Cache", "Remote", "Editorial", "Cloud Purchases", "Cloud", "Generated", "Custom", "Store"};
    return folders;
}

std::optional<std::string> BViTunesLibrary::pathOfFileURL(const std::string& url) {
    const std::string scheme = "file://";
    if (url.compare(0, scheme.size(), scheme) != 0) return std::nullopt;
    std::string rest = url.substr(scheme.size());
    if (rest.starts_with("localhost/")) rest = rest.substr(9);
    if (rest.empty() || rest[0] != '/') return std::nullopt;
    std::string path;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && std::isxdigit(uint8_t(rest[i + 1])) && std::isxdigit(uint8_t(rest[i + 2]))) {
            path += char(std::stoi(rest.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            path += rest[i];
        }
    }
    // A decoded NUL or ".." would make another path than the one written.
    if (path.find('\0') != std::string::npos) return std::nullopt;
    auto normal = BVFileIO::lexicallyNormalPath(path);
    if (!normal || *normal != (path.size() > 1 && path.back() == '/' ? path.substr(0, path.size() - 1) : path)) return std::nullopt;
    return normal;
}

std::optional<std::string> BViTunesLibrary::currentLibraryLocation() {
    if (location_) return *location_;
    location_.emplace();
    std::string home = paths_->home();
    for (const char* file : {"/Library/Preferences/com.apple.iApps.plist",
                             "/Library/Containers/com.apple.iApps/Library/Preferences/com.apple.iApps.plist"}) {
        auto plist = BVPlistCodec::decodeFile(home + file);
        if (!plist) continue;
        const auto& recent = (*plist)["iTunesRecentDatabases"].arrayValue();
        if (recent.empty()) continue;
        if (auto path = pathOfFileURL(recent.front().stringValue())) *location_ = BVFileIO::parentPath(*path);
        return *location_;
    }
    if (auto plist = BVPlistCodec::decodeFile(home + "/Library/Preferences/com.apple.iTunes.plist")) {
        const BVValue& bookmark = (*plist)["Database Location"];
        if (!bookmark.isNull())
            BVLogger::debug("iTunes library cannot be found:the bookmark cannot be resolved on this system\nURL:(none)");
    }
    return *location_;
}

std::vector<std::string> BViTunesLibrary::albumCachesDirectories() {
    auto location = currentLibraryLocation();
    if (!location) return {};
    std::vector<std::string> folders;
    for (const auto& name : affectedAlbumCachesFolders()) folders.push_back(*location + "/Album Artwork/" + name);
    return folders;
}

std::vector<std::string> BViTunesLibrary::visibleContents(const std::string& folder) const {
    return fileManager_->contentsOfDirectoryAtURL(folder, nullptr, BVDirectoryEnumerationSkipsHiddenFiles);
}

// Walks `folder` (hidden items skipped, links not entered), collecting what `wanted` accepts.
void BViTunesLibrary::findBelow(const std::string& folder, const std::function<bool(const std::string&)>& wanted,
                                std::vector<std::string>& found) const {
    for (const auto& child : visibleContents(folder)) {
        if (wanted(child)) found.push_back(child);
        if (fileManager_->isDirectoryAtPath(child)) findBelow(child, wanted, found);
    }
}

std::vector<std::string> BViTunesLibrary::applications() {
    auto location = currentLibraryLocation();
    if (!location) return {};
    std::vector<std::string> items;
    for (const auto& folder : {*location + "/iTunes Media", *location, *location + "/iTunes Music"})
        for (const auto& item : visibleContents(folder + "/Mobile Applications"))
            if (std::find(items.begin(), items.end(), item) == items.end()) items.push_back(item);
    return items;
}

std::vector<std::string> BViTunesLibrary::downloadURLs() {
    auto location = currentLibraryLocation();
    if (!location) return {};
    std::string downloads = *location + "/iTunes Media/Downloads";
    std::vector<std::string> found;
    if (!fileManager_->isDirectoryAtPath(downloads)) return found;
    findBelow(downloads, [](const std::string& path) {
        std::string name = BVFileIO::lastPathComponent(path);
        auto dot = name.rfind('.');
        return (dot == std::string::npos || dot == 0 ? name : name.substr(0, dot)) == "download";
    }, found);
    return found;
}

std::vector<std::string> BViTunesLibrary::backupURLs() {
    return visibleContents(paths_->home() + "/Library/Application Support/MobileSync/Backup");
}

std::vector<std::string> BViTunesLibrary::softwareUpdatesURLs() {
    std::vector<std::string> found;
    findBelow(paths_->home() + "/Library/iTunes",
              [](const std::string& path) { return BVASCIILowercase(BVFileIO::pathExtension(path)) == "ipsw"; }, found);
    return found;
}
