#include "ScanningService/CoreScanning/BVFileRemover.h"

#include <sys/stat.h>

#include <random>
#include <thread>

#include "Foundation/BVExecutor.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVLocalizedStrings.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVSafeResolver.h"
#include "Foundation/BVUserDefaults.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"

namespace {
constexpr int kUserCancelled = -60006;
constexpr int64_t kNotAuthorized = 3;
constexpr int64_t kFailedWithPrivileges = 4;

std::mt19937& generator() {
    thread_local std::mt19937 g{std::random_device{}()};
    return g;
}

bool isPermissionFailure(const BVError& e) { return e.posixCode() == EACCES || e.posixCode() == EPERM; }

BVRemoverReport failed(BVError error) {
    BVRemoverReport r;
    r.error = std::move(error);
    return r;
}

BVRemoverReport succeeded(std::optional<uint64_t> freed, bool missing = false, uint64_t kept = 0) {
    BVRemoverReport r;
    r.succeeded = true;
    r.freedBytes = freed;
    r.wasMissing = missing;
    r.keptItems = kept;
    return r;
}

BVError withUnderlying(BVError error, const BVError& underlying) {
    BVDictionary info = error.userInfo();
    info[BVUnderlyingErrorKey] = BVValue(BVDictionary{{"domain", BVValue(underlying.domain())},
                                                      {"code", BVValue(underlying.code())},
                                                      {BVLocalizedDescriptionKey, BVValue(underlying.localizedDescription())}});
    return BVError(error.domain(), error.code(), std::move(info));
}

}  // namespace

std::shared_ptr<BVFileRemover> BVFileRemover::sharedInstance() {
    static auto remover = std::make_shared<BVFileRemover>(BVPrivilegedOperationsPerformer::sharedInstance(),
                                                          BVFileManager::defaultManager(), BVPaths::sharedInstance());
    return remover;
}

BVFileRemover::BVFileRemover(std::shared_ptr<BVPrivilegedOperationsPerformer> performer, BVFileManagerPtr fileManager,
                             std::shared_ptr<const BVPaths> paths, std::shared_ptr<BVUserDefaults> defaults)
    : performer_(std::move(performer)),
      fileManager_(std::move(fileManager)),
      paths_(std::move(paths)),
      defaults_(defaults ? std::move(defaults) : std::make_shared<BVUserDefaults>(paths_->userDefaultsFile())) {
    for (const auto& root : paths_->protectedRoots()) {
        if (auto normal = BVFileIO::lexicallyNormalPath(root)) protectedRoots_.insert(*normal);
        // The folder itself, wherever the names that lead to it go: another name for it (a link
        // above an anchor, a second mount of it) is refused as well.
        struct stat st {};
        if (::stat(root.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) protectedIdentities_.emplace(st.st_dev, st.st_ino);
    }
}

std::string BVFileRemover::text(const char* key, const std::string& path) const {
    return BVFormatLocalized(BVLocalizedString("Errors", key), {path});
}

double BVFileRemover::fakeRemoveTime() const { return double(std::uniform_int_distribution<int>(0, 9)(generator())) * 0.0005; }

void BVFileRemover::performFakeRemove() {
    if (std::uniform_int_distribution<int>(0, 1)(generator()) == 1)
        std::this_thread::sleep_for(std::chrono::duration<double>(fakeRemoveTime()));
}

void BVFileRemover::setRemovalGuard(std::shared_ptr<const BVRemovalGuard> guard) {
    BVLockGuard lock(guardMutex_);
    guard_ = std::move(guard);
}

std::shared_ptr<const BVRemovalGuard> BVFileRemover::removalGuard() const {
    BVLockGuard lock(guardMutex_);
    return guard_;
}

std::optional<std::string> BVFileRemover::protectionRefusal(const std::string& path) const {
    auto normal = BVFileIO::lexicallyNormalPath(path);
    if (!normal || protectedRoots_.count(*normal)) return "Refusing to remove " + path + ": it is a protected folder";
    return std::nullopt;
}

std::optional<BVError> BVFileRemover::refusal(const std::string& path, const BVFileIdentity& identity) const {
    auto byText = protectionRefusal(path);
    if (!byText && identity.isDirectory() && protectedIdentities_.count({identity.device, identity.inode}))
        byText = "Refusing to remove " + path + ": it is a protected folder under another name";
    if (!byText) return std::nullopt;
    return BVError::withDescription(BVFileRemoverErrorDomain, BVFileRemoverErrorProtectedPath, *byText);
}

bool BVFileRemover::runThroughAgent(Operation operation, const std::string& path, std::optional<BVError>& error) {
    auto proxy = performer_->remoteObjectProxy();
    if (!proxy) {
        error = BVError::withDescription(BVFileRemoverErrorDomain, BVFileRemoverErrorNoAgentConnection,
                                         "no connection to the privileged agent");
        return false;
    }
    using Reply = std::pair<bool, std::optional<BVError>>;
    auto reply = runSync<Reply>([&](std::function<void(Reply)> done) {
        auto callback = [done](bool ok, BVOptionalError e) { done({ok, std::move(e)}); };
        switch (operation) {
            case Operation::Remove: proxy->removeItemAtPath(path, callback); break;
            case Operation::SecurelyRemove: proxy->securelyRemoveItemAtPath(path, callback); break;
            case Operation::Truncate: proxy->truncateFileAtPath(path, callback); break;
        }
    });
    error = reply.second;
    return reply.first;
}

bool BVFileRemover::authorize() {
    if (!performer_) return false;
    performer_->authorizeIfNeeded();
    return performer_->isAuthorized();
}

BVError BVFileRemover::agentFailure(Operation operation, const std::string& path, bool authorized,
                                    const std::optional<BVError>& agentError) {
    if (!authorized) {
        // Not authorised: unless the user cancelled the dialog, stop asking for this session.
        if (operation == Operation::Remove && performer_ && performer_->lastErrorCode() != kUserCancelled)
            performer_->markBroken();
        return BVError::withDescription(BVFileRemoverErrorDomain, kNotAuthorized, text("ErrorDescriptionRemoving_FileWasntAuthorized", path));
    }
    std::string agentText;
    if (agentError) {
        auto it = agentError->userInfo().find(BVLocalizedDescriptionKey);
        if (it != agentError->userInfo().end() && it->second.isString()) agentText = it->second.stringValue();
    }
    std::string description;
    if (agentText.empty())
        description = text(operation == Operation::SecurelyRemove ? "ErrorDescriptionRemoving_GenericSingleFileError"
                                                                  : "ErrorDescriptionRemoving_CouldntRemoveWithPrivileges",
                           path);
    else if (agentText.find(path) != std::string::npos || operation == Operation::SecurelyRemove)
        description = agentText;
    else
        description = path + ": " + agentText;
    if (!agentError) return BVError::withDescription(BVFileRemoverErrorDomain, kFailedWithPrivileges, description);
    return BVError(agentError->domain(), agentError->code(),
                   [&] {
                       BVDictionary info = agentError->userInfo();
                       info[BVLocalizedDescriptionKey] = BVValue(description);
                       return info;
                   }());
}

BVRemoverReport BVFileRemover::act(const BVFolderHandle& folder, const std::string& name, Operation operation) {
    std::string path = folder.childPath(name);
    std::string shown = paths_->abbreviateHome(path);
    auto guard = removalGuard();
    BVError error;
    auto identity = folder.childIdentity(name, &error);
    BVRemovalOutcome outcome;
    bool acted = false;
    if (identity) {
        if (auto refused = refusal(path, *identity)) {
            BVLogger::error("[remove file] " + refused->localizedDescription());
            return failed(*refused);
        }
        auto listed = guard ? guard->identity(path) : std::nullopt;
        if (listed && !listed->isSameItem(*identity)) {
            auto changed = BVChangedRefusal(path, *listed, *identity);
            BVLogger::error("[remove file] " + changed.localizedDescription());
            return failed(changed);
        }
        BVRemovalRequest request{operation == Operation::SecurelyRemove ? BVRemovalMode::Erase : BVRemovalMode::Delete,
                                 listed.value_or(*identity), guard ? &guard->keepRule() : nullptr};
        acted = operation == Operation::Truncate ? folder.emptyChild(name, request, outcome, &error)
                                                 : folder.removeChild(name, request, outcome, &error);
        if (acted) {
            if (operation == Operation::Truncate && outcome.unlinkedInstead)
                BVLogger::info(fmt::format("[remove file] removed the name {}: its file has other links, which keep it", shown));
            else if (operation == Operation::Truncate)
                BVLogger::info(fmt::format("[remove file] file truncated at path: {}", shown));
            else
                BVLogger::info(fmt::format("[remove file] removed at path: {}", shown));
            return succeeded(outcome.freedBytes, false, outcome.keptItems);
        }
    }
    if (error.posixCode() == ENOENT || outcome.wasMissing) {
        BVLogger::info((operation == Operation::Truncate ? "[truncate file] file doesn't exist at path: "
                                                         : "[remove file] already gone: ") + shown);
        return succeeded(outcome.freedBytes, true, outcome.keptItems);
    }
    BVLogger::info(fmt::format("[remove file] couldn remove at path: {} with error {}", path, error.localizedDescription()));
    // Only a lack of rights is worth administrator rights, and never for an item that holds
    // something to keep: the agent would remove it along with the rest.
    bool keepsInside = guard && operation != Operation::Truncate && guard->keepRule().mayHoldKept(path);
    if (!(isPermissionFailure(error) || outcome.permissionDenied) || keepsInside) {
        BVLogger::error(fmt::format("[remove file] couldn't remove at path: {} with error {}", path, error.localizedDescription()));
        return failed(error);
    }
    std::optional<BVError> agentError;
    bool authorized = authorize();
    // What the agent frees: the file's blocks when it empties one, its own measure when it removes.
    uint64_t remaining = 0;
    if (authorized && operation == Operation::Truncate) remaining = identity ? identity->allocatedBytes : 0;
    else if (authorized) remaining = performer_->fileSizeAtURL(path, nullptr);
    if (authorized && runThroughAgent(operation, path, agentError)) {
        BVLogger::info(operation == Operation::Truncate ? "[remove file] file truncated using agent at path: " + path
                                                        : "[remove file] removed using agent at path: " + path + " ");
        return succeeded(outcome.freedBytes + remaining, false, outcome.keptItems);
    }
    if (agentError && agentError->posixCode() == ENOENT) return succeeded(outcome.freedBytes, true, outcome.keptItems);
    auto failure = withUnderlying(agentFailure(operation, path, authorized, agentError), error);
    if (operation == Operation::SecurelyRemove)
        BVLogger::error(fmt::format("[secremove file] couldn't remove file with error: {}", failure.localizedDescription()));
    else if (operation == Operation::Truncate)
        BVLogger::error(fmt::format("[remove file] couldn't truncate file at path: {}", path));
    else
        BVLogger::error(fmt::format("[remove file] couldn't remove at path: {} with error {}", path, error.localizedDescription()));
    return failed(failure);
}

std::unique_ptr<BVFolderHandle> BVFileRemover::openFolder(const std::string& path, BVError* error) const {
    auto guard = removalGuard();
    return fileManager_->openFolder(path, guard ? guard->identity(path) : std::nullopt, error);
}

BVRemoverReport BVFileRemover::removeInFolder(const BVFolderHandle& folder, const std::string& name, BVRemovalMode mode) {
    if (mode == BVRemovalMode::Delete && BVDebugSwitches::isOn(*defaults_, BVDebugModeAllFailedRemove)) {
        performFakeRemove();
        return failed(BVError::withDescription(BVOSStatusErrorDomain, 404,
                                               text("ErrorDescriptionRemoving_CouldntRemoveWithPrivileges", folder.childPath(name))));
    }
    if (BVDebugSwitches::isOn(*defaults_, BVDebugModeFakeRemove)) {
        if (mode == BVRemovalMode::Erase) BVLogger::info(fmt::format("[remove file] fake securely remove {}", folder.childPath(name)));
        performFakeRemove();
        return succeeded(std::nullopt);
    }
    return act(folder, name, mode == BVRemovalMode::Erase ? Operation::SecurelyRemove : Operation::Remove);
}

BVRemoverReport BVFileRemover::emptyInFolder(const BVFolderHandle& folder, const std::string& name) {
    if (BVDebugSwitches::isOn(*defaults_, BVDebugModeFakeRemove)) {
        BVLogger::info(fmt::format("[remove file] fake truncate {}", folder.childPath(name)));
        performFakeRemove();
        return succeeded(std::nullopt);
    }
    return act(folder, name, Operation::Truncate);
}

BVRemoverReport BVFileRemover::removeItem(const Path& path, BVRemovalMode mode) {
    bool deleting = mode == BVRemovalMode::Delete;
    if (deleting && BVDebugSwitches::isOn(*defaults_, BVDebugModeAllFailedRemove)) {
        performFakeRemove();
        return failed(BVError::withDescription(BVOSStatusErrorDomain, 404,
                                               text("ErrorDescriptionRemoving_CouldntRemoveWithPrivileges", path.value_or(""))));
    }
    if (BVDebugSwitches::isOn(*defaults_, BVDebugModeFakeRemove)) {
        if (!deleting) BVLogger::info(fmt::format("[remove file] fake securely remove {}", path.value_or("")));
        performFakeRemove();
        return succeeded(std::nullopt);
    }
    if (!path) return succeeded(0);
    BVError error;
    auto normal = BVSafeResolver::candidatePath(*path, &error);
    if (!normal) return failed(error);
    if (auto refused = protectionRefusal(*normal)) {
        BVLogger::error("[remove file] " + *refused);
        return failed(BVError::withDescription(BVFileRemoverErrorDomain, BVFileRemoverErrorProtectedPath, *refused));
    }
    auto parent = fileManager_->openFolder(BVFileIO::parentPath(*normal), std::nullopt, &error);
    if (!parent) error = error.forPath(*normal);
    if (!parent) {
        if (error.posixCode() == ENOENT) return succeeded(0, true);
        // A folder on the way the user cannot search: only the agent can look.
        if (!isPermissionFailure(error)) return failed(error);
        std::optional<BVError> agentError;
        Operation operation = deleting ? Operation::Remove : Operation::SecurelyRemove;
        bool authorized = authorize();
        uint64_t size = authorized ? performer_->fileSizeAtURL(*normal, nullptr) : 0;
        if (authorized && runThroughAgent(operation, *normal, agentError)) return succeeded(size);
        return failed(withUnderlying(agentFailure(operation, *normal, authorized, agentError), error));
    }
    return act(*parent, BVFileIO::lastPathComponent(*normal), deleting ? Operation::Remove : Operation::SecurelyRemove);
}

BVRemoverReport BVFileRemover::emptyFile(const Path& path) {
    if (BVDebugSwitches::isOn(*defaults_, BVDebugModeFakeRemove)) {
        BVLogger::info(fmt::format("[remove file] fake truncate {}", path.value_or("")));
        performFakeRemove();
        return succeeded(std::nullopt);
    }
    if (!path) return succeeded(0);
    BVError error;
    auto normal = BVSafeResolver::candidatePath(*path, &error);
    if (!normal || *normal == "/") return failed(error);
    auto parent = fileManager_->openFolder(BVFileIO::parentPath(*normal), std::nullopt, &error);
    if (!parent) error = error.forPath(*normal);
    if (!parent) {
        if (error.posixCode() == ENOENT) {
            BVLogger::info(fmt::format("[truncate file] file doesn't exist at path: {}", *path));
            return succeeded(0, true);
        }
        BVLogger::error(fmt::format("[remove file] couldn't truncate file at path: {}", *path));
        return failed(error);
    }
    return act(*parent, BVFileIO::lastPathComponent(*normal), Operation::Truncate);
}

BVRemoverReport BVFileRemover::removeContentsOfDirectory(const Path& path, const std::shared_ptr<BVComputableProgress>& progress,
                                                         std::vector<BVError>* errors) {
    if (errors) errors->clear();
    if (progress) progress->sleepThreadWhilePaused();
    if (!path || (progress && progress->isCancelled())) return succeeded(0);
    auto fail = [&](BVError e) {
        BVLogger::error(fmt::format("[remove contents of directory] directory: {} error {}", *path, e.localizedDescription()));
        if (errors) *errors = {e};
        return failed(e);
    };
    BVError error;
    auto normal = BVSafeResolver::candidatePath(*path, &error);
    if (!normal) return fail(error);
    // Whatever a caller asks, the whole system, the root prefix and the home are never emptied.
    if (*normal == "/" || *normal == paths_->home() || (!paths_->root().empty() && *normal == paths_->root()))
        return fail(BVError::withDescription(BVFileRemoverErrorDomain, BVFileRemoverErrorProtectedPath,
                                             "Refusing to empty " + *path + ": it is a protected folder"));
    auto folder = openFolder(*normal, &error);
    std::vector<std::string> names;
    if (!folder || !folder->childNames(names, &error)) return fail(error);
    if (progress) progress->addPendingUnitsCount(names.size());
    std::vector<BVError> collected;
    BVRemoverReport report = succeeded(0);
    for (const auto& name : names) {
        if (progress) {
            progress->sleepThreadWhilePaused();
            if (progress->isCancelled()) break;
            progress->setPath(folder->childPath(name));
        }
        auto child = removeInFolder(*folder, name);
        if (progress) progress->addUnitsCount(1);
        if (child.succeeded) {
            if (report.freedBytes && child.freedBytes) *report.freedBytes += *child.freedBytes;
            else report.freedBytes.reset();
            report.keptItems += child.keptItems;
        } else {
            collected.push_back(BVError::withDescription("", 0, child.description()));
            report.succeeded = false;
        }
    }
    if (!collected.empty()) {
        std::string texts;
        for (const auto& e : collected) texts += (texts.empty() ? "" : ", ") + e.localizedDescription();
        BVLogger::error(fmt::format("[remove contents of directory] directory: {} errors ({})", *path, texts));
    } else {
        BVLogger::info(fmt::format("[remove contents of directory] removed contents of: {}", *path));
    }
    if (errors) *errors = std::move(collected);
    return report;
}

bool BVFileRemover::removeFileAtPath(const Path& path, std::string* errorDescription) {
    auto report = removeItem(path);
    if (!report.succeeded && errorDescription) *errorDescription = report.description();
    return report.succeeded;
}

bool BVFileRemover::removeFileAtPath(const Path& path, BVError* error) { return removeFileAtPath(path, false, error); }

bool BVFileRemover::removeFileAtPath(const Path& path, bool removeParentFolderIfEmpty, BVError* error) {
    auto report = removeItem(path);
    if (!report.succeeded) {
        BVSetError(error, withUnderlying(BVError::withDescription(BVURLErrorDomain, 0, report.description()),
                                         report.error.value_or(BVError())));
        return false;
    }
    if (removeParentFolderIfEmpty && path) {
        std::string parent = BVFileIO::parentPath(*path);
        std::vector<std::string> children;
        if (fileManager_->contentsOfDirectoryAtPath(parent, children, nullptr) && children.empty() &&
            !protectionRefusal(parent)) {
            (void)removeItem(parent);  // best effort: an emptied parent that stays is harmless
        }
    }
    return true;
}

bool BVFileRemover::securelyRemoveFileAtPath(const Path& path, std::string* errorDescription) {
    auto report = removeItem(path, BVRemovalMode::Erase);
    if (!report.succeeded && errorDescription) *errorDescription = report.description();
    return report.succeeded;
}

bool BVFileRemover::securelyRemoveFileAtPath(const Path& path, BVError* error) {
    auto report = removeItem(path, BVRemovalMode::Erase);
    if (report.succeeded) return true;
    BVSetError(error, withUnderlying(BVError::withDescription(BVURLErrorDomain, 0, report.description()),
                                     report.error.value_or(BVError())));
    return false;
}

bool BVFileRemover::removeContentsOfDirectoryAtPath(const Path& path) { return removeContentsOfDirectoryAtPath(path, nullptr, nullptr); }

bool BVFileRemover::removeContentsOfDirectoryAtPath(const Path& path, std::vector<BVError>* errors) {
    return removeContentsOfDirectoryAtPath(path, nullptr, errors);
}

bool BVFileRemover::removeContentsOfDirectoryAtPath(const Path& path, const std::shared_ptr<BVComputableProgress>& progress,
                                                    std::vector<BVError>* errors) {
    return removeContentsOfDirectory(path, progress, errors).succeeded;
}

bool BVFileRemover::truncateFileAtPath(const Path& path) { return emptyFile(path).succeeded; }
