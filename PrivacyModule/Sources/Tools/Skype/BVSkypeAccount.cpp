#include "PrivacyModule/Sources/Tools/Skype/BVSkypeAccount.h"

#include <pugixml.hpp>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVFileReplacement.h"

namespace {

void walk(const std::string& folder, const BVPaths& paths, const BVFileManager& fileManager, int depth, double& best,
          std::optional<std::string>& winner) {
    std::vector<std::string> children;
    if (depth > 16 || !fileManager.contentsOfDirectoryAtPath(folder, children, nullptr)) return;
    for (const auto& child : children) {
        std::string name = BVFileIO::lastPathComponent(child);
        if (name.empty() || name[0] == '.') continue;
        if (fileManager.isDirectoryAtPath(child)) {
            walk(child, paths, fileManager, depth + 1, best, winner);
            continue;
        }
        if (name != "config.xml") continue;
        std::string text;
        if (!BVFileReplacement::readFile(paths.resolver(), child, text, 16 * 1024 * 1024, nullptr)) continue;
        pugi::xml_document document;
        if (!document.load_buffer(text.data(), text.size())) continue;
        double timestamp = document.document_element().attribute("timestamp").as_double(0);
        if (timestamp > best) {
            best = timestamp;
            winner = BVFileIO::parentPath(child);
        }
    }
}

}  // namespace

namespace BVSkypeAccount {

std::optional<std::string> skypeAccountPath(const BVPaths& paths, const BVFileManager& fileManager) {
    auto folder = paths.skypeURL();
    if (!folder || !fileManager.isDirectoryAtPath(*folder)) return std::nullopt;
    double best = 0;
    std::optional<std::string> winner;
    walk(*folder, paths, fileManager, 0, best, winner);
    if (!winner) return std::nullopt;
    // The account is the Skype folder joined with the name of the folder holding the winner.
    return BVFileIO::appendPathComponent(*folder, BVFileIO::lastPathComponent(*winner));
}

}  // namespace BVSkypeAccount
