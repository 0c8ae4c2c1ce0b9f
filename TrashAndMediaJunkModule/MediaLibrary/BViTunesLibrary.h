// BViTunesLibrary: where the media player keeps what can go, found from its preference files.
// The library folder is the parent of the first recent database in the iApps preferences
// (~/Library/Preferences/com.apple.iApps.plist, else its container copy), else of the player's
// "Database Location" bookmark. Bookmarks are resolved by the system's bookmark service, which
// this host does not have: such a library is logged as not found. Every list is read once;
// no walk follows a link. Used by one scan thread at a time.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVFileManager.h"
#include "Foundation/BVPaths.h"

class BViTunesLibrary {
public:
    BViTunesLibrary(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager);

    std::optional<std::string> currentLibraryLocation();
    std::vector<std::string> albumCachesDirectories();
    // "Mobile Applications" in the media folder, the library folder and the music folder.
    std::vector<std::string> applications();
    // Items named "download" (any extension) anywhere below the media folder's "Downloads".
    std::vector<std::string> downloadURLs();
    // The device backups in ~/Library/Application Support/MobileSync/Backup.
    std::vector<std::string> backupURLs();
    // The device software images (".ipsw") anywhere below ~/Library/iTunes.
    std::vector<std::string> softwareUpdatesURLs();

    static const std::vector<std::string>& affectedAlbumCachesFolders();
    // "file:///a%20b/c" -> "/a b/c"; none for anything but a local file URL.
    static std::optional<std::string> pathOfFileURL(const std::string& url);

private:
    std::vector<std::string> visibleContents(const std::string& folder) const;
    void findBelow(const std::string& folder, const std::function<bool(const std::string&)>& wanted, std::vector<std::string>& found) const;

    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
    std::optional<std::optional<std::string>> location_;
};
