#include "ScanningService/CoreScanning/BVFileRemoverPaths.h"

#include <climits>
#include <cstdlib>

#include "Foundation/BVFileIO.h"

std::optional<std::string> BVResolvedRemovalPath(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    if (trimmed.empty() || trimmed == "/" || trimmed[0] != '/') return std::nullopt;
    std::string name = BVFileIO::lastPathComponent(trimmed);
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    char resolved[PATH_MAX];
    if (!::realpath(BVFileIO::parentPath(trimmed).c_str(), resolved)) return trimmed;
    return BVFileIO::appendPathComponent(resolved, name);
}
