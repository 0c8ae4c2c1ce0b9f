#include "Foundation/BVProgramLocator.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVPaths.h"

namespace BVProgramLocator {

std::string onDisk(const BVPaths& paths, const std::string& absolute) {
    if (absolute == paths.home() || BVFileIO::isPathInside(absolute, paths.home())) return absolute;
    if (!paths.root().empty() && (absolute == paths.root() || BVFileIO::isPathInside(absolute, paths.root()))) return absolute;
    return paths.systemPath(absolute);
}

bool exists(const std::string& onDiskPath) {
    struct stat st {};
    return ::stat(onDiskPath.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::optional<std::string> find(const BVPaths& paths, const std::string& name, const std::vector<std::string>& folders) {
    if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
    for (const auto& folder : folders) {
        std::string candidate = onDisk(paths, BVFileIO::appendPathComponent(folder, name));
        if (exists(candidate)) return candidate;
    }
    return std::nullopt;
}

bool isLiveSystem(const BVPaths& paths) {
    const passwd* pw = getpwuid(getuid());
    return paths.root().empty() && pw && pw->pw_dir && paths.home() == BVFileIO::lexicallyNormalPath(pw->pw_dir).value_or("");
}

std::vector<std::string> searchFolders(const std::string& list) {
    std::vector<std::string> folders;
    size_t start = 0;
    while (start <= list.size()) {
        size_t colon = list.find(':', start);
        std::string folder = list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!folder.empty() && folder[0] == '/') folders.push_back(folder);
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return folders;
}

}  // namespace BVProgramLocator
