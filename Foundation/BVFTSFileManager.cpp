#include "Foundation/BVFTSFileManager.h"

#include <vector>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVFileManager.h"

namespace {

struct Entry {
    std::string name;
    bool isDirectory;
    uint64_t size;
};

// The folder's entries on its own mount, by name; false when it cannot be opened safely.
bool listFolder(const std::string& path, std::vector<Entry>& entries) {
    auto folder = BVFileManager::defaultManager()->openFolder(path, std::nullopt, nullptr);
    std::vector<std::string> names;
    if (!folder || !folder->childNames(names, nullptr)) return false;
    for (const auto& n : names) {
        auto id = folder->childIdentity(n, nullptr);
        if (!id || id->isOtherMountThan(folder->identity())) continue;
        entries.push_back({n, id->isDirectory(), id->allocatedBytes});
    }
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
