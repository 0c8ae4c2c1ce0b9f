#include "Foundation/BVXDGAutostartManager.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVProgramLocator.h"
#include "Foundation/BVSafeFileIO.h"

namespace {

constexpr size_t kLargestEntry = 1024 * 1024;
constexpr const char* kMain = BVDesktopEntry::kMainGroup;
constexpr const char* kHidden = "Hidden";
constexpr const char* kGnomeEnabled = "X-GNOME-Autostart-enabled";

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t at = text.find(separator, start);
        std::string part = text.substr(start, at == std::string::npos ? std::string::npos : at - start);
        if (!part.empty()) out.push_back(part);
        if (at == std::string::npos) break;
        start = at + 1;
    }
    return out;
}

// The words of an Exec= value whose string escapes are undone: double-quoted arguments keep
// their spaces (with \" \` \$ \\ inside), "%%" is a percent sign, and field codes (%f, %u, ...)
// are dropped: the launcher fills them in and they are never part of the program.
std::vector<std::string> execWords(const std::string& exec) {
    std::vector<std::string> words;
    std::string current;
    bool quoted = false, inWord = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size() && std::string("\"`$\\").find(exec[i + 1]) != std::string::npos)
                current += exec[++i];
            else if (c == '"')
                quoted = false;
            else
                current += c;
        } else if (c == ' ' || c == '\t') {
            if (inWord) words.push_back(current);
            current.clear();
            inWord = false;
        } else if (c == '"') {
            quoted = inWord = true;
        } else {
            current += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(current);
    std::vector<std::string> out;
    for (auto& word : words) {
        if (word.size() == 2 && word[0] == '%' && std::string("fFuUdDnNickvm").find(word[1]) != std::string::npos) continue;
        std::string expanded;
        for (size_t i = 0; i < word.size(); ++i) {
            if (word[i] == '%' && i + 1 < word.size() && word[i + 1] == '%') ++i;
            expanded += word[i];
        }
        out.push_back(expanded);
    }
    return out;
}

// What an entry says besides whether it is switched off: a user copy that says nothing else is
// the one this manager wrote, and may go when the item is switched on again.
std::vector<std::pair<std::string, std::string>> substance(const BVDesktopEntry& entry) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& group : entry.groupNames())
        for (const auto& [key, value] : entry.entries(group))
            if (!(group == kMain && (key == kHidden || key == kGnomeEnabled))) out.emplace_back(group + "/" + key, value);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

BVXDGAutostartManager::Options BVXDGAutostartManager::hostOptions() {
    Options o;
    if (const char* d = std::getenv("XDG_CURRENT_DESKTOP")) o.desktops = split(d, ':');
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* v = std::getenv(name); v && *v) {
            o.locale = v;
            break;
        }
    const char* path = std::getenv("PATH");
    o.programFolders = BVProgramLocator::searchFolders(path && *path ? path : "/usr/local/bin:/usr/bin:/bin");
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    o.configurationFolders = BVProgramLocator::searchFolders(dirs && *dirs ? dirs : "/etc/xdg");
    return o;
}

BVXDGAutostartManager::BVXDGAutostartManager(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                                             Options options)
    : paths_(std::move(paths)), fileManager_(std::move(fileManager)), options_(std::move(options)) {}

std::string BVXDGAutostartManager::userFolder() const {
    return BVFileIO::appendPathComponent(paths_->userPreferences().value_or(paths_->home() + "/.config"), "autostart");
}

std::vector<std::string> BVXDGAutostartManager::systemFolders() const {
    std::vector<std::string> folders;
    for (const auto& folder : options_.configurationFolders)
        folders.push_back(paths_->systemPath(BVFileIO::appendPathComponent(folder, "autostart")));
    return folders;
}

std::optional<BVDesktopEntry> BVXDGAutostartManager::read(const std::string& path, std::string* reason) const {
    std::string text;
    BVError error;
    if (!BVSafeFileIO::readFile(paths_->resolver(), path, text, kLargestEntry, &error)) {
        *reason = error.localizedDescription();
        return std::nullopt;
    }
    std::string why;
    auto entry = BVDesktopEntry::parse(text, &why);
    if (!entry) *reason = path + " does not parse: " + why;
    else if (!entry->hasGroup(kMain)) {
        *reason = path + " does not parse: it has no [Desktop Entry] group";
        entry.reset();
    }
    return entry;
}

bool BVXDGAutostartManager::write(const std::string& path, const BVDesktopEntry& entry, BVError* error) const {
    return BVSafeFileIO::writeFileAtomically(paths_->resolver(), path, entry.text(), error);
}

std::vector<BVXDGAutostartManager::Item> BVXDGAutostartManager::items() const {
    std::map<std::string, Item> byName;
    auto entriesIn = [&](const std::string& folder) {
        std::vector<std::string> names;
        std::vector<std::string> children;
        if (!fileManager_->contentsOfDirectoryAtPath(folder, children, nullptr)) return names;
        for (const auto& child : children)
            if (BVFileIO::pathExtension(child) == "desktop") names.push_back(child);
        return names;
    };
    for (const auto& path : entriesIn(userFolder())) {
        Item& item = byName[BVFileIO::lastPathComponent(path)];
        item.fileName = BVFileIO::lastPathComponent(path);
        item.userPath = path;
        item.user = read(path, &item.userError);
    }
    for (const auto& folder : systemFolders()) {
        for (const auto& path : entriesIn(folder)) {
            Item& item = byName[BVFileIO::lastPathComponent(path)];
            if (item.systemPath) continue;  // an earlier configuration folder has this name
            item.fileName = BVFileIO::lastPathComponent(path);
            item.systemPath = path;
            item.system = read(path, &item.systemError);
        }
    }
    std::vector<Item> out;
    for (auto& [name, item] : byName) out.push_back(std::move(item));
    return out;
}

std::optional<BVXDGAutostartManager::Item> BVXDGAutostartManager::itemAtPath(const std::string& path) const {
    auto normal = BVFileIO::lexicallyNormalPath(path).value_or(path);
    for (auto& item : items())
        if ((item.userPath && *item.userPath == normal) || (item.systemPath && *item.systemPath == normal)) return item;
    return std::nullopt;
}

std::optional<std::string> BVXDGAutostartManager::programOf(const BVDesktopEntry& entry) const {
    std::string program;
    if (auto tryExec = entry.stringValue(kMain, "TryExec"); tryExec && !tryExec->empty()) {
        program = *tryExec;
    } else if (auto exec = entry.stringValue(kMain, "Exec")) {
        auto words = execWords(*exec);
        if (!words.empty()) program = words[0];
    }
    if (program.empty()) return std::nullopt;
    if (program[0] == '/') return BVProgramLocator::onDisk(*paths_, program);
    if (auto found = BVProgramLocator::find(*paths_, program, options_.programFolders)) return found;
    return program;
}

bool BVXDGAutostartManager::isExcludedFromDesktops(const BVDesktopEntry& entry) const {
    auto only = entry.listValue(kMain, "OnlyShowIn");
    auto inUse = [&](const std::string& desktop) {
        return std::find(options_.desktops.begin(), options_.desktops.end(), desktop) != options_.desktops.end();
    };
    if (!only.empty() && std::none_of(only.begin(), only.end(), inUse)) return true;
    auto never = entry.listValue(kMain, "NotShowIn");
    return std::any_of(never.begin(), never.end(), inUse);
}

bool BVXDGAutostartManager::isDisabled(const BVDesktopEntry& entry) const {
    return entry.boolValue(kMain, kHidden).value_or(false) || !entry.boolValue(kMain, kGnomeEnabled).value_or(true) ||
           isExcludedFromDesktops(entry);
}

std::vector<std::string> BVXDGAutostartManager::validLoginItemsList() {
    std::vector<std::string> out;
    for (const auto& item : items())
        if (item.entry()) out.push_back(item.path());
    return out;
}

std::vector<BVInvalidLoginItem> BVXDGAutostartManager::invalidLoginItems() {
    std::vector<BVInvalidLoginItem> out;
    for (const auto& item : items())
        if (!item.entry()) out.push_back({item.path(), item.error()});
    return out;
}

std::vector<BVDictionary> BVXDGAutostartManager::loginItemInfos() {
    std::vector<BVDictionary> out;
    for (const auto& item : items()) {
        if (!item.entry()) continue;
        const BVDesktopEntry& entry = *item.entry();
        BVDictionary info{{BVLoginItemPathKey, BVValue(item.path())},
                          {BVLoginItemNameKey, BVValue(entry.localizedValue(kMain, "Name", options_.locale)
                                                           .value_or(item.fileName.substr(0, item.fileName.size() - 8)))}};
        auto program = programOf(entry);
        // A D-Bus activated entry needs no program of its own: it opens itself.
        if (program)
            info[BVLoginItemURLKey] = BVValue(*program);
        else
            info[BVLoginItemURLKey] = BVValue(entry.boolValue(kMain, "DBusActivatable").value_or(false) ? item.path() : std::string());
        out.push_back(std::move(info));
    }
    return out;
}

bool BVXDGAutostartManager::loginItemIsDisabled(const std::string& path) {
    auto item = itemAtPath(path);
    return item && item->entry() && isDisabled(*item->entry());
}

std::string BVXDGAutostartManager::displayNameAtPath(const std::string& path) {
    std::string file = BVFileIO::lastPathComponent(path);
    std::string fallback = BVFileIO::pathExtension(file) == "desktop" ? file.substr(0, file.size() - 8) : file;
    auto item = itemAtPath(path);
    if (!item || !item->entry()) return fallback;
    return item->entry()->localizedValue(kMain, "Name", options_.locale).value_or(fallback);
}

bool BVXDGAutostartManager::setLoginItemAtPath(const std::string& path, bool enabled, BVError* error) {
    std::lock_guard lock(changes_);
    auto item = itemAtPath(path);
    if (!item) {
        BVSetError(error, BVStartupServicesErrorWith(BVStartupServicesErrorUnknownItem, path + " is not an autostart entry."));
        return false;
    }
    if (!item->entry()) {
        BVSetError(error, BVStartupServicesErrorWith(BVStartupServicesErrorNotParsed, item->error()));
        return false;
    }
    const BVDesktopEntry& current = *item->entry();
    if (isDisabled(current) == !enabled) return true;
    std::string userPath = item->userPath.value_or(BVFileIO::appendPathComponent(userFolder(), item->fileName));
    if (!enabled) {
        BVDesktopEntry copy = current;
        copy.setBoolValue(kMain, kHidden, true);
        return write(userPath, copy, error);
    }
    if (isExcludedFromDesktops(current)) {
        BVSetError(error, BVStartupServicesErrorWith(
                              BVStartupServicesErrorRestricted,
                              item->path() + " starts only in some desktops (OnlyShowIn/NotShowIn), and not in the one in use."));
        return false;
    }
    BVDesktopEntry copy = current;
    copy.removeKey(kMain, kHidden);
    if (!copy.boolValue(kMain, kGnomeEnabled).value_or(true)) copy.setBoolValue(kMain, kGnomeEnabled, true);
    if (item->userPath && item->system && substance(*item->user) == substance(*item->system) && !isDisabled(*item->system)) {
        BVRemovalOutcome outcome;
        return fileManager_->removeItemAtPath(*item->userPath, BVRemovalRequest{}, outcome, error);
    }
    return write(userPath, copy, error);
}

bool BVXDGAutostartManager::removeLoginItemAtPath(const std::string& path, BVError* error) {
    std::lock_guard lock(changes_);
    auto item = itemAtPath(path);
    if (!item) {
        BVSetError(error, BVStartupServicesErrorWith(BVStartupServicesErrorUnknownItem, path + " is not an autostart entry."));
        return false;
    }
    if (!item->systemPath) {
        BVRemovalOutcome outcome;
        return fileManager_->removeItemAtPath(*item->userPath, BVRemovalRequest{}, outcome, error);
    }
    // The system's entry belongs to the system; the user removes it from the session with a
    // copy of their own that hides it.
    std::string userPath = item->userPath.value_or(BVFileIO::appendPathComponent(userFolder(), item->fileName));
    BVDesktopEntry copy = item->entry() ? *item->entry()
                                        : *BVDesktopEntry::parse(std::string("[") + kMain + "]\nType=Application\n");
    copy.setBoolValue(kMain, kHidden, true);
    return write(userPath, copy, error);
}
