// BVPaths: every well-known folder the engine touches, for one layout, one home and one root.
//
// Two layouts are built in: `macos` (the system's own folders) and `linux` (XDG equivalents);
// the table is BVPathsFolders.def. `--home` replaces the user's home and `--root` prefixes every
// system place, so a test or a user can point the whole engine at a fixture. A folder the layout
// lacks is answered as an empty optional. Immutable after construction; safe from any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

class BVSafeResolver;

enum class BVLayout { macos, linux };

class BVPaths {
public:
    // The process-wide instance (set once at start-up by the shell; the host's own layout,
    // home and "/" root until then).
    static std::shared_ptr<const BVPaths> sharedInstance();
    static void setSharedInstance(std::shared_ptr<const BVPaths> paths);
    static BVLayout hostLayout();
    static std::optional<BVLayout> layoutNamed(const std::string& name);
    static std::string layoutName(BVLayout layout);

    // `root` empty or "/" means the real system places.
    BVPaths(BVLayout layout, std::string home, std::string root = {});

    BVLayout layout() const { return layout_; }
    const std::string& home() const { return home_; }
    const std::string& root() const { return root_; }

#define BV_FOLDER(name, mac, lin) std::optional<std::string> name() const;
#include "Foundation/BVPathsFolders.def"
#undef BV_FOLDER

    // Every folder of the table with its place in this layout (absent ones omitted).
    std::vector<std::pair<std::string, std::string>> allFolders() const;

    // The program's own places. The macos layout keeps the names the system's conventions gave
    // them (a preferences file, "Brenvik X" in Application Support, a folder in Logs); the linux
    // layout follows XDG under one name: ~/.config/brenvik, ~/.local/share/brenvik and
    // ~/.local/state/brenvik.
    std::string programDataFolder() const;     // the user's knowledge base lives below it
    std::string knowledgeBaseFolder() const;
    std::string logFolder() const;             // the folder of the log file itself
    std::string userDefaultsFile() const;

    // A system place ("/Library/Logs") under the root prefix.
    std::string systemPath(const std::string& absolute) const;
    // "~" or "~/x" expanded to the home; any other text unchanged.
    std::string expandTilde(const std::string& path) const;
    // The home folder written as "~", as stored paths and log lines write it.
    std::string abbreviateHome(const std::string& path) const;

    // Folders that are never removed themselves, whatever a rule or a caller asks: "/", the
    // home, and the layout's root folders (their contents may be removed, they may not).
    const std::vector<std::string>& protectedRoots() const { return protectedRoots_; }
    bool isProtectedRoot(const std::string& path) const;

    // The folders where removable volumes are mounted: "/Volumes" on macos, "/media/USER" and
    // "/run/media/USER" on linux (under the root prefix).
    const std::vector<std::string>& volumeFolders() const { return volumeFolders_; }
    // The trusted places every candidate path is reached from: the protected roots (the home and
    // "/" among them) and the volume folders. Links and mounts above an anchor are the system's
    // and the user's own set-up; below one, nothing is followed or crossed.
    std::vector<std::string> anchorFolders() const;
    // The resolver of these anchors, made once with the paths.
    const BVSafeResolver& resolver() const { return *resolver_; }

private:
    std::optional<std::string> resolve(const char* place) const;

    BVLayout layout_;
    std::string home_;
    std::string root_;
    std::vector<std::string> protectedRoots_;
    std::vector<std::string> volumeFolders_;
    std::shared_ptr<const BVSafeResolver> resolver_;
};
