#include "Foundation/BVPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVSafeResolver.h"

namespace {

std::string trimTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string hostHome() {
    if (const char* h = std::getenv("HOME"); h && *h) return trimTrailingSlashes(h);
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return trimTrailingSlashes(pw->pw_dir);
    return "/";
}

struct SharedPaths {
    std::mutex mutex;
    std::shared_ptr<const BVPaths> paths;
};

SharedPaths& sharedPaths() {
    static SharedPaths* s = new SharedPaths();
    return *s;
}

// System folders of each layout that are never removed as a whole.
const std::vector<std::string> kMacSystemRoots = {
    "/", "/System", "/System/Library", "/Library", "/Applications", "/Users", "/usr", "/bin", "/sbin",
    "/etc", "/var", "/private", "/private/var", "/private/etc", "/opt", "/Volumes", "/cores", "/dev",
    "/Library/Caches", "/Library/Logs", "/Library/Application Support", "/Library/Preferences",
    "/Library/LaunchAgents", "/Library/LaunchDaemons"};
const std::vector<std::string> kLinuxSystemRoots = {
    "/", "/bin", "/boot", "/dev", "/etc", "/home", "/lib", "/lib32", "/lib64", "/media", "/mnt", "/opt",
    "/proc", "/root", "/run", "/sbin", "/srv", "/sys", "/tmp", "/usr", "/usr/local", "/usr/share", "/var",
    "/var/cache", "/var/lib", "/var/log", "/var/tmp"};
const std::vector<std::string> kMacHomeRoots = {
    "~/Library", "~/Documents", "~/Desktop", "~/Downloads", "~/Pictures", "~/Music", "~/Movies",
    "~/Public", "~/Applications", "~/Library/Caches", "~/Library/Logs", "~/Library/Application Support",
    "~/Library/Preferences", "~/Library/Containers", "~/Library/Mail", "~/.Trash"};
const std::vector<std::string> kLinuxHomeRoots = {
    "~/.config", "~/.local", "~/.local/share", "~/.local/state", "~/.cache", "~/Documents", "~/Desktop",
    "~/Downloads", "~/Pictures", "~/Music", "~/Videos", "~/Public", "~/Templates", "~/.local/share/Trash",
    "~/.local/share/Trash/files", "~/.var", "~/.var/app", "~/.mozilla", "~/.ssh", "~/.gnupg"};

}  // namespace

std::shared_ptr<const BVPaths> BVPaths::sharedInstance() {
    SharedPaths& s = sharedPaths();
    std::lock_guard lock(s.mutex);
    if (!s.paths) s.paths = std::make_shared<BVPaths>(hostLayout(), hostHome());
    return s.paths;
}

void BVPaths::setSharedInstance(std::shared_ptr<const BVPaths> paths) {
    SharedPaths& s = sharedPaths();
    std::lock_guard lock(s.mutex);
    s.paths = std::move(paths);
}

BVLayout BVPaths::hostLayout() {
#ifdef __APPLE__
    return BVLayout::macos;
#else
    return BVLayout::linux;
#endif
}

std::optional<BVLayout> BVPaths::layoutNamed(const std::string& name) {
    if (name == "macos") return BVLayout::macos;
    if (name == "linux") return BVLayout::linux;
    return std::nullopt;
}

std::string BVPaths::layoutName(BVLayout layout) { return layout == BVLayout::macos ? "macos" : "linux"; }

BVPaths::BVPaths(BVLayout layout, std::string home, std::string root)
    : layout_(layout), home_(trimTrailingSlashes(std::move(home))), root_(trimTrailingSlashes(std::move(root))) {
    if (root_ == "/") root_.clear();
    const auto& systemRoots = layout_ == BVLayout::macos ? kMacSystemRoots : kLinuxSystemRoots;
    const auto& homeRoots = layout_ == BVLayout::macos ? kMacHomeRoots : kLinuxHomeRoots;
    protectedRoots_.push_back("/");
    if (!root_.empty()) protectedRoots_.push_back(root_);
    for (const auto& r : systemRoots) protectedRoots_.push_back(systemPath(r));
    protectedRoots_.push_back(home_);
    for (const auto& r : homeRoots) protectedRoots_.push_back(expandTilde(r));
    std::sort(protectedRoots_.begin(), protectedRoots_.end());
    protectedRoots_.erase(std::unique(protectedRoots_.begin(), protectedRoots_.end()), protectedRoots_.end());
    if (layout_ == BVLayout::macos) {
        volumeFolders_ = {systemPath("/Volumes")};
    } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name && *pw->pw_name) {
        volumeFolders_ = {systemPath(std::string("/media/") + pw->pw_name), systemPath(std::string("/run/media/") + pw->pw_name)};
    }
    resolver_ = std::make_shared<const BVSafeResolver>(*this);
}

std::vector<std::string> BVPaths::anchorFolders() const {
    std::vector<std::string> anchors = protectedRoots_;
    anchors.insert(anchors.end(), volumeFolders_.begin(), volumeFolders_.end());
    return anchors;
}

std::optional<std::string> BVPaths::resolve(const char* place) const {
    if (!place) return std::nullopt;
    std::string p = place;
    if (p.empty()) return std::nullopt;
    if (p[0] == '~') return expandTilde(p);
    return systemPath(p);
}

#define BV_FOLDER(name, mac, lin) \
    std::optional<std::string> BVPaths::name() const { return resolve(layout_ == BVLayout::macos ? mac : lin); }
#include "Foundation/BVPathsFolders.def"
#undef BV_FOLDER

std::vector<std::pair<std::string, std::string>> BVPaths::allFolders() const {
    std::vector<std::pair<std::string, std::string>> out;
#define BV_FOLDER(name, mac, lin) \
    if (auto p = name()) out.emplace_back(#name, *p);
#include "Foundation/BVPathsFolders.def"
#undef BV_FOLDER
    return out;
}

std::string BVPaths::programDataFolder() const {
    if (layout_ == BVLayout::macos) return BVFileIO::appendPathComponent(*userApplicationSupport(), "Brenvik X");
    return BVFileIO::appendPathComponent(*userApplicationSupport(), "brenvik");
}

std::string BVPaths::knowledgeBaseFolder() const {
    return BVFileIO::appendPathComponent(programDataFolder(), "KnowledgeBase");
}

std::string BVPaths::logFolder() const {
    return BVFileIO::appendPathComponent(*userLogs(), layout_ == BVLayout::macos ? "com.quillon.Brenvik4" : "brenvik");
}

std::string BVPaths::userDefaultsFile() const {
    if (layout_ == BVLayout::macos) return BVFileIO::appendPathComponent(*userPreferences(), "com.quillon.Brenvik4.plist");
    return BVFileIO::appendPathComponent(*userPreferences(), "brenvik/defaults.plist");
}

std::string BVPaths::systemPath(const std::string& absolute) const {
    if (root_.empty()) return absolute;
    if (absolute == "/") return root_;
    return root_ + absolute;
}

std::string BVPaths::expandTilde(const std::string& path) const {
    if (path == "~") return home_;
    if (path.rfind("~/", 0) == 0) return home_ == "/" ? path.substr(1) : home_ + path.substr(1);
    return path;
}

std::string BVPaths::abbreviateHome(const std::string& path) const {
    if (home_ == "/" || home_.empty()) return path;
    if (path == home_) return "~";
    if (path.rfind(home_ + "/", 0) == 0) return std::string(1, '~').append(path, home_.size());
    return path;
}

bool BVPaths::isProtectedRoot(const std::string& path) const {
    std::string p = trimTrailingSlashes(path);
    return std::binary_search(protectedRoots_.begin(), protectedRoots_.end(), p);
}
