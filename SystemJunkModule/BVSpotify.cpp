#include "SystemJunkModule/BVSpotify.h"

#include <unistd.h>

#include <memory>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPaths.h"

namespace {
constexpr size_t kMaximumPrefsBytes = 4 << 20;

std::optional<std::string> quotedValueAfter(const std::string& text, const std::string& marker) {
    std::string opening = marker + "\"";
    auto start = text.find(opening);
    if (start == std::string::npos) return std::nullopt;
    start += opening.size();
    auto end = text.find('"', start);
    if (end == std::string::npos) return std::string();  // found, but not closed
    return text.substr(start, end - start);
}
}  // namespace

std::shared_ptr<BVSpotify> BVSpotify::spotify(const BVPaths& paths) {
    if (paths.layout() == BVLayout::macos) {
        std::string support = paths.home() + "/Library/Application Support/Spotify";
        return std::make_shared<BVSpotify>(support + "/prefs", support + "/PersistentCache/Storage");
    }
    return std::make_shared<BVSpotify>(paths.home() + "/.config/spotify/prefs", paths.home() + "/.cache/spotify/Storage");
}

std::optional<std::string> BVSpotify::persistentStorageLocation() const {
    if (access(prefsFile_.c_str(), F_OK) != 0) return std::nullopt;
    std::string text, error;
    if (!BVFileIO::readFile(prefsFile_, text, kMaximumPrefsBytes, &error)) {
        BVLogger::error("Failed to read " + prefsFile_ + " with error " + error);
        return defaultStorage_;
    }
    auto location = quotedValueAfter(text, "storage.last-location=");
    if (!location) location = quotedValueAfter(text, "storage.location=");
    // The location comes from another program's file and ends up offered for removal: only an
    // absolute path is taken.
    if (!location || location->empty() || location->front() != '/') return defaultStorage_;
    return location;
}
