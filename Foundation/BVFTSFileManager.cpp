#include "Foundation/BVFTSFileManager.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "Foundation/BVFileIO.h"

namespace {

struct Entry {
    std::string name;
    bool isDirectory;
    uint64_t size;
};

bool listFolder(const std::string& path, std::vector<Entry>& entries) {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    while (dirent* d = ::readdir(dir)) {
        const char* n = d->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        struct stat st {};
        if (::fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        entries.push_back({n, S_ISDIR(st.st_mode), uint64_t(st.st_blocks) * 512});
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return true;
}

}  // namespace

std::shared_ptr<BVFTSFileManager> BVFTSFileManager::sharedManager() {
    static auto manager = std::make_shared<BVFTSFileManager>();
    return manager;
}

bool BVFTSFileManager::traverseContentAtPath(const std::string& path, const Handler& handler) const {
    struct Frame {
        std::string path;
        std::vector<Entry> entries;
        size_t next = 0;
    };
    std::vector<Frame> stack(1);
    stack[0].path = path;
    if (!listFolder(path, stack[0].entries)) return false;
    // An explicit stack: no recursion limit on deep trees, and only one folder open at a time.
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.entries.size()) {
            stack.pop_back();
            continue;
        }
        const Entry& e = top.entries[top.next++];
        std::string child = BVFileIO::appendPathComponent(top.path, e.name);
        if (!handler(child, e.name, e.isDirectory, e.size)) return true;
        if (e.isDirectory) {
            Frame frame;
            frame.path = child;
            if (listFolder(child, frame.entries)) stack.push_back(std::move(frame));
        }
    }
    return true;
}
