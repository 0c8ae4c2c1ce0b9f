#include "PrivacyModule/Sources/Tools/Firefox/BVFirefoxProfiles.h"

#include <map>
#include <sstream>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVFileReplacement.h"

namespace {

std::string trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

std::string absoluteProfilePath(const std::string& value, bool relative, const std::string& folder) {
    if (!relative && !value.empty() && value[0] == '/') return value;
    return BVFileIO::appendPathComponent(folder, value);
}

}  // namespace

namespace BVFirefoxProfiles {

std::optional<std::string> profilesFolder(const BVPaths& paths, const BVFileManager& fileManager) {
    if (auto folder = paths.firefoxProfiles(); folder && fileManager.isDirectoryAtPath(*folder)) return folder;
    if (auto folder = paths.firefoxProfilesXDG(); folder && fileManager.isDirectoryAtPath(*folder)) return folder;
    return std::nullopt;
}

BVFirefoxProfilesList parseProfilesINI(const std::string& text, const std::string& folder) {
    struct Section {
        std::string name;
        std::map<std::string, std::string> values;
    };
    std::vector<Section> sections;
    std::istringstream lines(text);
    std::string raw;
    while (std::getline(lines, raw)) {
        std::string line = trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            sections.push_back({line.substr(1, line.size() - 2), {}});
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string::npos || sections.empty()) continue;
        sections.back().values[trim(line.substr(0, equals))] = trim(line.substr(equals + 1));
    }
    BVFirefoxProfilesList list;
    for (const auto& s : sections) {
        auto value = [&](const char* key) {
            auto found = s.values.find(key);
            return found == s.values.end() ? std::string() : found->second;
        };
        if (s.name.rfind("Profile", 0) == 0 && !value("Path").empty()) {
            bool relative = value("IsRelative") != "0";
            list.profiles.push_back({value("Name"), absoluteProfilePath(value("Path"), relative, folder), value("Default") == "1"});
        } else if (s.name.rfind("Install", 0) == 0 && !value("Default").empty()) {
            // An install's default is written as the profile's Path= value.
            list.installDefaults.push_back(absoluteProfilePath(value("Default"), value("Default")[0] != '/', folder));
        }
    }
    return list;
}

std::optional<std::string> profileInUse(const BVFirefoxProfilesList& list) {
    if (!list.installDefaults.empty()) return list.installDefaults.front();
    for (const auto& p : list.profiles)
        if (p.isDefault) return p.path;
    if (!list.profiles.empty()) return list.profiles.front().path;
    return std::nullopt;
}

std::optional<std::string> firefoxAccountPath(const BVPaths& paths, const BVFileManager& fileManager) {
    auto folder = profilesFolder(paths, fileManager);
    if (!folder) return std::nullopt;
    std::string text;
    if (!BVFileReplacement::readFile(paths.resolver(), BVFileIO::appendPathComponent(*folder, "profiles.ini"), text,
                                     1024 * 1024, nullptr))
        return std::nullopt;
    auto profile = profileInUse(parseProfilesINI(text, *folder));
    if (!profile || !fileManager.isDirectoryAtPath(*profile)) return std::nullopt;
    return profile;
}

}  // namespace BVFirefoxProfiles
