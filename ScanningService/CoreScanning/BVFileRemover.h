// BVFileRemover: the one place where the engine deletes, empties, securely erases or
// truncates files. It tries with the user's own rights first; when that fails it asks the
// privileged performer for administrator rights and retries once through the agent. Failures
// come back as descriptions or errors, never raised.
//
// Whatever a caller asks, it refuses to touch "/", the home folder itself and the layout's root
// folders (the check is made on the path with its parent resolved, so a link in a parent folder
// cannot smuggle a root in); the last component is never followed. Stateless apart from its
// collaborators; safe from any worker thread (a privileged fallback blocks the caller until the
// agent replies). Do not call it on the main thread: authorisation may need it.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVError.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVPaths.h"

class BVPrivilegedOperationsPerformer;

inline constexpr const char* BVFileRemoverErrorDomain = "BVFileRemoverErrorDomain";
inline constexpr int64_t BVFileRemoverErrorProtectedPath = 1;
// The domain of the errors `removeFileAtPath:removeParentFolderIfEmpty:error:` wraps a
// description into.
inline constexpr const char* BVURLErrorDomain = "NSURLErrorDomain";

class BVFileRemover {
public:
    using Path = std::optional<std::string>;  // none: nothing to do

    // The process-wide remover on the shared performer, default file manager and shared paths.
    static std::shared_ptr<BVFileRemover> sharedInstance();
    BVFileRemover(std::shared_ptr<BVPrivilegedOperationsPerformer> performer, BVFileManagerPtr fileManager,
                  std::shared_ptr<const BVPaths> paths);

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

    // The pause of the debug switches: half of the time, `fakeRemoveTime` seconds.
    void performFakeRemove();
    double fakeRemoveTime() const;

    // The refusal for a protected path, or none when `path` may be touched.
    std::optional<std::string> protectionRefusal(const std::string& path) const;

    // The kinds (S_IFMT bits) the listed items had when they were shown to the user. An item
    // whose kind changed since (a folder swapped for a link) is left alone and reported. Set
    // before removals start.
    void setExpectedKinds(std::map<std::string, unsigned> kinds) { expectedKinds_ = std::move(kinds); }

private:
    enum class AgentOperation { Remove, SecurelyRemove, Truncate };
    // Authorises when needed and runs one request through the agent. Answers false with no
    // error when not authorised (`authorized` tells which).
    bool runThroughAgent(AgentOperation operation, const std::string& path, bool& authorized, std::optional<BVError>& error);
    std::string text(const char* key, const std::string& path) const;
    // A refusal when the item's kind is no longer the one listed.
    std::optional<std::string> kindRefusal(const std::string& path) const;
    std::optional<std::string> refusal(const std::string& path) const;

    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    BVFileManagerPtr fileManager_;
    std::shared_ptr<const BVPaths> paths_;
    // The protected roots as written and with links resolved.
    std::set<std::string> protectedRoots_;
    std::map<std::string, unsigned> expectedKinds_;
};

using BVFileRemoverPtr = std::shared_ptr<BVFileRemover>;
