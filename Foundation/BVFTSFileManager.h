// BVFTSFileManager: an ordered walk of a folder tree on the calling thread, in pre-order (a
// folder before its contents, entries of a folder by name). Links are reported, never followed;
// folders are opened through the file manager's safe layer, and entries on another mount are
// left out.
// The handler answers whether to go on; answering false ends the walk. Stateless; any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class BVFTSFileManager {
public:
    // path, name, isDirectory, size (allocated bytes of the entry itself) -> continue?
    using Handler = std::function<bool(const std::string& path, const std::string& name, bool isDirectory, uint64_t size)>;

    static std::shared_ptr<BVFTSFileManager> sharedManager();
    virtual ~BVFTSFileManager() = default;

    // Visits everything below `path` (not `path` itself). Answers false when `path` could not
    // be read as a folder.
    virtual bool traverseContentAtPath(const std::string& path, const Handler& handler) const;
};
