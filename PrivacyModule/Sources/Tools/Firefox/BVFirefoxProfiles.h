// Finding Firefox's profiles: the folder that holds "profiles.ini" on each layout, the profiles
// it lists, and the one in use.
//
// "profiles.ini" may list several profiles, and the first one listed is often one the browser
// no longer uses (a fresh installation makes a "default" profile and then its own
// "default-esr" one). The profile in use is the `Default=` of an "[Install...]" section; without
// one, the profile marked `Default=1`; without that, the first `Path=`. A relative path
// (`IsRelative=1`, the usual case) is taken below the folder of "profiles.ini", an absolute one
// as it stands. Pure functions apart from reading that one file; any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVFileManager.h"
#include "Foundation/BVPaths.h"

struct BVFirefoxProfileEntry {
    std::string name;
    std::string path;  // absolute
    bool isDefault = false;  // Default=1
};

struct BVFirefoxProfilesList {
    std::vector<BVFirefoxProfileEntry> profiles;  // in the order the file lists them
    std::vector<std::string> installDefaults;     // absolute, in the order of the [Install] sections
};

namespace BVFirefoxProfiles {

// The folder of "profiles.ini": on macos "Firefox" in Application Support; on linux
// "~/.mozilla/firefox", or "~/.config/mozilla/firefox" when the first does not exist. None when
// the layout's folder does not exist.
std::optional<std::string> profilesFolder(const BVPaths& paths, const BVFileManager& fileManager);

// The profiles of a "profiles.ini" text that lies in `folder`.
BVFirefoxProfilesList parseProfilesINI(const std::string& text, const std::string& folder);

// The profile in use, as above; none when the list names none.
std::optional<std::string> profileInUse(const BVFirefoxProfilesList& list);

// The profile in use on this layout, when its folder exists.
std::optional<std::string> firefoxAccountPath(const BVPaths& paths, const BVFileManager& fileManager);

}  // namespace BVFirefoxProfiles
