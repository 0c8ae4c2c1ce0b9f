#include "KnowledgeBase/BVKnowledgeBaseResources.h"

#include <unistd.h>

#include "Foundation/BVFileIO.h"

namespace BVKnowledgeBaseResources {

std::string executableFolder() {
    char buffer[4096];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return {};
    return BVFileIO::parentPath(std::string(buffer, size_t(length)));
}

std::vector<std::string> candidatesForResource(const std::string& name) {
    std::string folder = executableFolder();
    if (folder.empty()) return {};
    return {BVFileIO::appendPathComponent(folder, name),
            BVFileIO::appendPathComponent(BVFileIO::parentPath(folder), "share/brenvik/" + name)};
}

}  // namespace BVKnowledgeBaseResources
