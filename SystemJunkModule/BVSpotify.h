// BVSpotify: where the music-streaming client keeps its persistent cache. The client's prefs
// file may name the folder ("storage.last-location" wins over "storage.location"); without
// one the layout's default folder is used. Stateless apart from its paths; any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Foundation/BVPaths.h"

class BVSpotify {
public:
    // `prefsFile` is the client's prefs file; `defaultStorage` the cache folder it uses when
    // the prefs name none.
    BVSpotify(std::string prefsFile, std::string defaultStorage)
        : prefsFile_(std::move(prefsFile)), defaultStorage_(std::move(defaultStorage)) {}
    // For the shared paths: "~/Library/Application Support/Spotify/prefs" and its
    // "PersistentCache/Storage" on macos; "~/.config/spotify/prefs" and "~/.cache/spotify/Storage"
    // on linux.
    static std::shared_ptr<BVSpotify> spotify(const BVPaths& paths);

    // None when the prefs file does not exist (the client is not set up for this user).
    std::optional<std::string> persistentStorageLocation() const;

private:
    std::string prefsFile_;
    std::string defaultStorage_;
};
