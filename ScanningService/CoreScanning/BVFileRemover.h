// BVFileRemover: the one place where the engine deletes, empties, securely erases or
// truncates files. It acts through the file manager's safe layer (no link below an anchor is
// followed, no mount is crossed, each item is acted on relative to its opened folder) and
// retries once through the privileged agent, after asking for administrator rights, only when
// the failure was a lack of rights. Failures come back as descriptions or errors that name their
// real cause, never raised; an item that is already gone counts as removed and frees nothing.
//
// Whatever a caller asks, it refuses to touch "/", the home folder itself and the layout's root
// folders (by path and by identity, so no other name for one of them gets through), and it
// never empties "/", the root prefix or the home. During a clean it holds the clean's guard:
// an item whose identity differs from the one recorded when it was listed is left alone, and
// the paths the guard keeps stay.
//
// Safe from any worker thread (the guard is swapped under a lock; a privileged fallback blocks
// the caller until the agent replies). Do not call it on the main thread: authorisation may
// need it.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVError.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVThreadSafety.h"
#include "ScanningService/CoreScanning/BVRemovalGuard.h"

class BVPrivilegedOperationsPerformer;
class BVUserDefaults;

inline constexpr const char* BVFileRemoverErrorDomain = "BVFileRemoverErrorDomain";
inline constexpr int64_t BVFileRemoverErrorProtectedPath = 1;
inline constexpr int64_t BVFileRemoverErrorNoAgentConnection = 2;
// The domain of the errors `removeFileAtPath(path, removeParentFolderIfEmpty, error)` wraps a
// description into (the cause is kept as the underlying error).
inline constexpr const char* BVURLErrorDomain = "NSURLErrorDomain";

// What one removal did.
struct [[nodiscard]] BVRemoverReport {
    bool succeeded = false;
    // Space given back; none when unknown (a debug switch only pretended to remove).
    std::optional<uint64_t> freedBytes;
    std::optional<BVError> error;
    // Nothing was there any more.
    bool wasMissing = false;
    // Items left inside because the guard keeps them.
    uint64_t keptItems = 0;

    std::string description() const { return error ? error->localizedDescription() : std::string(); }
};

class BVFileRemover {
public:
    using Path = std::optional<std::string>;  // none: nothing to do

    // The process-wide remover on the shared performer, default file manager and shared paths.
    static std::shared_ptr<BVFileRemover> sharedInstance();
    // `defaults` hold the debug switches (the standard user defaults when none).
    BVFileRemover(std::shared_ptr<BVPrivilegedOperationsPerformer> performer, BVFileManagerPtr fileManager,
                  std::shared_ptr<const BVPaths> paths, std::shared_ptr<BVUserDefaults> defaults = nullptr);

    bool removeFileAtPath(const Path& path, BVError* error);
    bool removeFileAtPath(const Path& path, bool removeParentFolderIfEmpty, BVError* error);
    bool removeFileAtPath(const Path& path, std::string* errorDescription);
    bool securelyRemoveFileAtPath(const Path& path, BVError* error);
    bool securelyRemoveFileAtPath(const Path& path, std::string* errorDescription);
    bool removeContentsOfDirectoryAtPath(const Path& path);
    bool removeContentsOfDirectoryAtPath(const Path& path, std::vector<BVError>* errors);
    bool removeContentsOfDirectoryAtPath(const Path& path, const std::shared_ptr<BVComputableProgress>& progress,
                                         std::vector<BVError>* errors);
    bool truncateFileAtPath(const Path& path);

    // The same operations with everything they did: deleting (or erasing) an item, emptying a
    // file in place (one with other hard links loses this name instead), emptying a folder.
    BVRemoverReport removeItem(const Path& path, BVRemovalMode mode = BVRemovalMode::Delete);
    BVRemoverReport emptyFile(const Path& path);
    BVRemoverReport removeContentsOfDirectory(const Path& path, const std::shared_ptr<BVComputableProgress>& progress,
                                              std::vector<BVError>* errors);
    // A folder opened as removals open it (checked against the identity listed for it), and
    // the same operations on names in it, for callers that treat a folder's entries one by one.
    std::unique_ptr<BVFolderHandle> openFolder(const std::string& path, BVError* error) const;
    BVRemoverReport removeInFolder(const BVFolderHandle& folder, const std::string& name,
                                   BVRemovalMode mode = BVRemovalMode::Delete);
    BVRemoverReport emptyInFolder(const BVFolderHandle& folder, const std::string& name);

    // The pause of the debug switches: half of the time, `fakeRemoveTime` seconds.
    void performFakeRemove();
    double fakeRemoveTime() const;

    // The refusal for a protected path (by its text), or none when `path` may be touched.
    std::optional<std::string> protectionRefusal(const std::string& path) const;

    // The guard of the clean that is running (none outside a clean).
    void setRemovalGuard(std::shared_ptr<const BVRemovalGuard> guard);
    std::shared_ptr<const BVRemovalGuard> removalGuard() const;

private:
    enum class Operation { Remove, SecurelyRemove, Truncate };
    // Asks for administrator rights when needed (once per failure); answers whether the agent
    // may be used.
    bool authorize();
    // Runs one request through the agent (authorised already) and waits for its reply.
    bool runThroughAgent(Operation operation, const std::string& path, std::optional<BVError>& error);
    // The failure after the agent was asked (or could not be), as the error texts say it.
    BVError agentFailure(Operation operation, const std::string& path, bool authorized, const std::optional<BVError>& agentError);
    BVRemoverReport act(const BVFolderHandle& folder, const std::string& name, Operation operation);
    std::optional<BVError> refusal(const std::string& path, const BVFileIdentity& identity) const;
    std::string text(const char* key, const std::string& path) const;

    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    BVFileManagerPtr fileManager_;
    std::shared_ptr<const BVPaths> paths_;
    std::shared_ptr<BVUserDefaults> defaults_;
    std::set<std::string> protectedRoots_;
    std::set<std::pair<uint64_t, uint64_t>> protectedIdentities_;  // device, inode
    mutable BVMutex guardMutex_;
    std::shared_ptr<const BVRemovalGuard> guard_ BV_GUARDED_BY(guardMutex_);
};

using BVFileRemoverPtr = std::shared_ptr<BVFileRemover>;
