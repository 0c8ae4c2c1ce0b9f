#include "Foundation/BVKeepRule.h"

#include <fnmatch.h>

#include "Foundation/BVFileIO.h"

namespace {

// Whether something below `folder` can start with `prefix`: one of them extends the other.
bool prefixesMeet(const std::string& folder, const std::string& prefix) {
    std::string below = folder == "/" ? "/" : folder + "/";
    size_t n = std::min(below.size(), prefix.size());
    return below.compare(0, n, prefix, 0, n) == 0;
}

}  // namespace

BVKeepRule::BVKeepRule(std::vector<std::string> paths, std::vector<std::string> patterns)
    : paths_(std::move(paths)), patterns_(std::move(patterns)) {
    for (const auto& p : patterns_) patternPrefixes_.push_back(p.substr(0, p.find_first_of("*?[\\")));
}

bool BVKeepRule::isPattern(const std::string& text) { return text.find_first_of("*?[") != std::string::npos; }

bool BVKeepRule::keeps(const std::string& path) const {
    for (const auto& p : paths_)
        if (p == path) return true;
    for (const auto& p : patterns_)
        if (::fnmatch(p.c_str(), path.c_str(), 0) == 0) return true;
    return false;
}

bool BVKeepRule::mayHoldKept(const std::string& folder) const {
    for (const auto& p : paths_)
        if (BVFileIO::isPathInside(p, folder)) return true;
    for (const auto& prefix : patternPrefixes_)
        if (prefixesMeet(folder, prefix)) return true;
    return false;
}

std::vector<std::string> BVKeepRule::rulesInside(const std::string& folder) const {
    std::vector<std::string> out;
    for (const auto& p : paths_)
        if (BVFileIO::isPathInside(p, folder)) out.push_back(p);
    for (size_t i = 0; i < patterns_.size(); ++i)
        if (prefixesMeet(folder, patternPrefixes_[i])) out.push_back(patterns_[i]);
    return out;
}
