// BVFileManager: the file-system operations the engine performs on candidates, behind an
// interface so that tests can make single calls fail (a permission error, a vanished path)
// while the rest stays real. `defaultManager` is the POSIX implementation, whose folders are
// reached through BVSafeResolver: no link below an anchor is followed and no mount is crossed.
//
// Everything is built on one operation, `openFolder`: a folder opened once, checked, and then
// acted on by the names in it (BVFolderHandle), so that no path is resolved twice between a
// check and the act. The path-shaped operations below open the item's parent folder and act on
// the last name; they are the conveniences most callers want. Implementations are safe from
// any thread; a handle may be used from one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVError.h"
#include "Foundation/BVFileIdentity.h"
#include "Foundation/BVProgress.h"
#include "Foundation/BVRemoval.h"

class BVComputableProgress;

enum BVDirectoryEnumerationOptions : uint64_t {
    BVDirectoryEnumerationNone = 0,
    BVDirectoryEnumerationSkipsHiddenFiles = 1 << 2,
};

// A folder opened and checked once; every operation acts on a name in it.
class BVFolderHandle {
public:
    virtual ~BVFolderHandle() = default;
    virtual const std::string& path() const = 0;
    virtual const BVFileIdentity& identity() const = 0;

    // The names in the folder, sorted; fails (with the reason) when it cannot be read.
    virtual bool childNames(std::vector<std::string>& names, BVError* error) const = 0;
    // The entry's identity (a link is not followed); none with the reason when it is missing.
    virtual std::optional<BVFileIdentity> childIdentity(const std::string& name, BVError* error) const = 0;
    // Deletes the entry: a file, a link (as a link) or a folder with everything in it, never
    // following a link and never touching another mount (BVTreeRemoval). What can be removed
    // is removed; the first failure is reported, the outcome says what was freed.
    virtual bool removeChild(const std::string& name, const BVRemovalRequest& request, BVRemovalOutcome& outcome,
                             BVError* error) const = 0;
    // Cuts a regular file to length 0, keeping the file; a file with other hard links is
    // unlinked instead. A link, a folder or a device is refused.
    virtual bool emptyChild(const std::string& name, const BVRemovalRequest& request, BVRemovalOutcome& outcome,
                            BVError* error) const = 0;

    std::string childPath(const std::string& name) const;
};

class BVFileManager {
public:
    static std::shared_ptr<BVFileManager> defaultManager();
    virtual ~BVFileManager() = default;

    // Opens the folder at `path`. It must not be a link nor a mount point (an anchor, such as
    // the home, is taken as it is), and nothing on the way may be either; when `expected` is
    // given the folder must still be that item (else ESTALE). Null with the reason on failure.
    virtual std::unique_ptr<BVFolderHandle> openFolder(const std::string& path, const std::optional<BVFileIdentity>& expected,
                                                       BVError* error) const = 0;

    // The space the item occupies (see QLFileSizer): a file's blocks, a folder's and everything
    // below it on its mount, an inode once; 0 for what is missing or cannot be reached safely.
    // `threads` walks a folder with that many workers (0: one per processor).
    virtual uint64_t itemSizeAtPath(const std::string& path, unsigned threads = 0) const = 0;

    // The item's identity, not following a link in its last component; none with the reason.
    std::optional<BVFileIdentity> identityAtPath(const std::string& path, BVError* error) const;
    // True when something (of any kind, a dangling link included) is at `path`.
    bool fileExistsAtPath(const std::string& path) const;
    // True when `path` is a folder (a link to a folder is not).
    bool isDirectoryAtPath(const std::string& path) const;

    // The direct children of a folder as full paths, sorted by name; empty when it cannot be
    // listed. The progress, when given, reports the folder as its current path; a cancelled
    // progress lists nothing.
    std::vector<std::string> contentsOfDirectoryAtURL(const std::string& folder,
                                                      const std::shared_ptr<BVComputableProgress>& progress,
                                                      uint64_t options) const;
    // The direct children of a folder as full paths, sorted; fails (with the reason) when the
    // folder cannot be listed.
    bool contentsOfDirectoryAtPath(const std::string& folder, std::vector<std::string>& children, BVError* error) const;

    // The item at `path` removed or emptied as BVFolderHandle::removeChild / emptyChild do.
    bool removeItemAtPath(const std::string& path, const BVRemovalRequest& request, BVRemovalOutcome& outcome,
                          BVError* error) const;
    bool emptyFileAtPath(const std::string& path, const BVRemovalRequest& request, BVRemovalOutcome& outcome,
                         BVError* error) const;
    // The same without a request: deleted, erased (see BVRemovalMode::Erase; on copy-on-write
    // file systems and flash storage old copies of the blocks may survive, see the README), or
    // cut to length 0.
    bool removeFileAtPath(const std::string& path, BVError* error) const;
    bool securelyRemoveFileAtPath(const std::string& path, BVError* error) const;
    bool truncateFileAtPath(const std::string& path, BVError* error) const;

    // Items in `folder` (and below, when `recursive`) whose names match `name`: exactly (the
    // same name, ignoring case, optionally followed by an extension), or, with `matchByWords`,
    // word by word (names split at spaces, dots, dashes and underscores and compared ignoring
    // case, so "Google-Chrome.plist" matches "Google Chrome"). Full paths, sorted.
    std::vector<std::string> findFile(const std::string& name, const std::string& folder, bool matchByWords,
                                      bool recursive) const;
};

using BVFileManagerPtr = std::shared_ptr<BVFileManager>;

// Splits a file name into lower-case words as `findFile` compares them.
std::vector<std::string> BVFileNameWords(const std::string& name);
