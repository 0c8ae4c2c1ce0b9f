// BVFileManager: the file-system operations the scanners call, behind an interface so that
// tests can make single calls fail (a permission error, a vanished path) while the rest stays
// real. `defaultManager` is the POSIX implementation. Implementations are safe from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Foundation/BVError.h"
#include "Foundation/BVProgress.h"

class BVComputableProgress;

enum BVDirectoryEnumerationOptions : uint64_t {
    BVDirectoryEnumerationNone = 0,
    BVDirectoryEnumerationSkipsHiddenFiles = 1 << 2,
};

class BVFileManager {
public:
    static std::shared_ptr<BVFileManager> defaultManager();
    virtual ~BVFileManager() = default;

    // True when something (of any kind, a dangling link included) is at `path`.
    virtual bool fileExistsAtPath(const std::string& path) const = 0;
    // True when `path` is a folder (a link to a folder is not).
    virtual bool isDirectoryAtPath(const std::string& path) const = 0;

    // The direct children of a folder as full paths, sorted by name; empty when it cannot be
    // listed. The progress, when given, reports the folder as its current path, and a
    // cancelled progress ends the listing with what was read so far.
    virtual std::vector<std::string> contentsOfDirectoryAtURL(const std::string& folder,
                                                              const std::shared_ptr<BVComputableProgress>& progress,
                                                              uint64_t options) const = 0;

    // The direct children of a folder as full paths, sorted; fails (with the reason) when the
    // folder cannot be listed.
    virtual bool contentsOfDirectoryAtPath(const std::string& folder, std::vector<std::string>& children,
                                           BVError* error) const = 0;

    // Deletes a file, a link (as a link) or a folder with everything in it, never following a
    // link. What can be removed is removed; the first failure is reported.
    virtual bool removeFileAtPath(const std::string& path, BVError* error) const = 0;
    // As removeFileAtPath, but every regular file's content is overwritten and flushed before
    // it is unlinked (files with other hard links are only unlinked). On copy-on-write file
    // systems and flash storage old copies of the blocks may survive; see the README.
    virtual bool securelyRemoveFileAtPath(const std::string& path, BVError* error) const = 0;
    // Cuts a regular file to length 0, keeping the file; a link is not followed.
    virtual bool truncateFileAtPath(const std::string& path, BVError* error) const = 0;

    // Items in `folder` (and below, when `recursive`) whose names match `name`: exactly (the
    // same name, ignoring case, optionally followed by an extension), or, with `matchByWords`,
    // word by word (names split at spaces, dots, dashes and underscores and compared ignoring
    // case, so "Google-Chrome.plist" matches "Google Chrome"). Full paths, sorted.
    virtual std::vector<std::string> findFile(const std::string& name, const std::string& folder, bool matchByWords,
                                              bool recursive) const = 0;
};

using BVFileManagerPtr = std::shared_ptr<BVFileManager>;

// Splits a file name into lower-case words as `findFile` compares them.
std::vector<std::string> BVFileNameWords(const std::string& name);
