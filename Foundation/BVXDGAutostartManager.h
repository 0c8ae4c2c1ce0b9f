// BVXDGAutostartManager: the login items of a freedesktop session, its autostart entries: the
// user's "~/.config/autostart/*.desktop" and the system's "autostart" folder in each of the
// configuration folders ($XDG_CONFIG_DIRS, "/etc/xdg" by default; the first folder that has a
// file name wins). The user's entry of a file name overrides the system's.
//
// An entry is off when it says Hidden=true or X-GNOME-Autostart-enabled=false, or when
// OnlyShowIn/NotShowIn leave out every desktop in use ($XDG_CURRENT_DESKTOP). Switching a
// system entry off writes a user copy with Hidden=true; switching it on removes that copy when
// it says nothing else, and otherwise clears Hidden and X-GNOME-Autostart-enabled=false in it.
// Removing a user's own entry deletes it; a system entry (also one the user overrides) cannot
// be deleted by the user and is removed as the autostart rules say: with a user copy that says
// Hidden=true. The program is TryExec= when given, else the first word of Exec= (field codes
// dropped), looked up on the session's PATH when it is a bare name.
//
// Every change is written through the safe layer as a whole new file renamed over the old one.
// Reads re-read the folders each time; changes are serialised by one lock. Safe from any thread.
#pragma once

#include <mutex>
#include <optional>

#include "Foundation/BVDesktopEntry.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVLoginItemsManager.h"
#include "Foundation/BVPaths.h"

class BVXDGAutostartManager : public BVLoginItemsManager {
public:
    struct Options {
        std::vector<std::string> desktops;           // the desktops in use, as $XDG_CURRENT_DESKTOP lists them
        std::string locale;                          // for localised names, as $LC_MESSAGES says it
        std::vector<std::string> programFolders;     // the session's PATH
        std::vector<std::string> configurationFolders;  // $XDG_CONFIG_DIRS (system places)
    };
    // The options of this process's environment.
    static Options hostOptions();

    BVXDGAutostartManager(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager, Options options);

    std::vector<std::string> validLoginItemsList() override;
    std::vector<BVInvalidLoginItem> invalidLoginItems() override;
    std::vector<BVDictionary> loginItemInfos() override;
    bool loginItemIsDisabled(const std::string& path) override;
    bool setLoginItemAtPath(const std::string& path, bool enabled, BVError* error) override;
    bool removeLoginItemAtPath(const std::string& path, BVError* error) override;
    std::string displayNameAtPath(const std::string& path) override;

    std::string userFolder() const;
    std::vector<std::string> systemFolders() const;

    // One file name's entries: the user's and the system's, each parsed (or its reason).
    struct Item {
        std::string fileName;
        std::optional<std::string> userPath, systemPath;
        std::optional<BVDesktopEntry> user, system;
        std::string userError, systemError;
        const std::string& path() const { return userPath ? *userPath : *systemPath; }
        const std::optional<BVDesktopEntry>& entry() const { return userPath ? user : system; }
        const std::string& error() const { return userPath ? userError : systemError; }
    };
    std::vector<Item> items() const;
    // The program the entry starts: the on-disk path when found, else the name as written;
    // none when the entry names no program.
    std::optional<std::string> programOf(const BVDesktopEntry& entry) const;
    // Off by its own keys or by the desktops in use.
    bool isDisabled(const BVDesktopEntry& entry) const;
    bool isExcludedFromDesktops(const BVDesktopEntry& entry) const;

private:
    std::optional<Item> itemAtPath(const std::string& path) const;
    std::optional<BVDesktopEntry> read(const std::string& path, std::string* reason) const;
    bool write(const std::string& path, const BVDesktopEntry& entry, BVError* error) const;

    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
    Options options_;
    std::mutex changes_;
};
