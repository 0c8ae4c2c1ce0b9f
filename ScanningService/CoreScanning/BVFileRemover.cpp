#include "ScanningService/CoreScanning/BVFileRemover.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <random>
#include <thread>

#include "Foundation/BVExecutor.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVLocalizedStrings.h"
#include "Foundation/BVLogger.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"
#include "ScanningService/CoreScanning/BVFileRemoverPaths.h"

namespace {
constexpr int kUserCancelled = -60006;

std::mt19937& generator() {
    thread_local std::mt19937 g{std::random_device{}()};
    return g;
}
}  // namespace

std::shared_ptr<BVFileRemover> BVFileRemover::sharedInstance() {
    static auto remover = std::make_shared<BVFileRemover>(BVPrivilegedOperationsPerformer::sharedInstance(),
                                                          BVFileManager::defaultManager(), BVPaths::sharedInstance());
    return remover;
}

BVFileRemover::BVFileRemover(std::shared_ptr<BVPrivilegedOperationsPerformer> performer, BVFileManagerPtr fileManager,
                             std::shared_ptr<const BVPaths> paths)
    : performer_(std::move(performer)), fileManager_(std::move(fileManager)), paths_(std::move(paths)) {
    for (const auto& root : paths_->protectedRoots()) {
        protectedRoots_.insert(root);
        char resolved[PATH_MAX];
        if (::realpath(root.c_str(), resolved)) protectedRoots_.insert(resolved);
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

std::optional<std::string> BVFileRemover::protectionRefusal(const std::string& path) const {
    auto resolved = BVResolvedRemovalPath(path);
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    if (!resolved || protectedRoots_.count(*resolved) || protectedRoots_.count(trimmed))
        return "Refusing to remove " + path + ": it is a protected folder";
    return std::nullopt;
}

std::optional<std::string> BVFileRemover::kindRefusal(const std::string& path) const {
    auto it = expectedKinds_.find(path);
    struct stat st {};
    if (it == expectedKinds_.end() || ::lstat(path.c_str(), &st) != 0) return std::nullopt;
    if ((st.st_mode & S_IFMT) == it->second) return std::nullopt;
    return path + " changed since it was listed (it is now " + (S_ISLNK(st.st_mode) ? "a link" : S_ISDIR(st.st_mode) ? "a folder" : "a file") +
           "); it was left as it is";
}

std::optional<std::string> BVFileRemover::refusal(const std::string& path) const {
    if (auto r = protectionRefusal(path)) return r;
    return kindRefusal(path);
}

bool BVFileRemover::runThroughAgent(AgentOperation operation, const std::string& path, bool& authorized,
                                    std::optional<BVError>& error) {
    authorized = false;
    if (!performer_) return false;
    performer_->authorizeIfNeeded();
    if (!performer_->isAuthorized()) return false;
    authorized = true;
    auto proxy = performer_->remoteObjectProxy();
    if (!proxy) {
        error = BVError::withDescription(BVFileRemoverErrorDomain, 2, "no connection to the privileged agent");
        return false;
    }
    using Reply = std::pair<bool, std::optional<BVError>>;
    auto reply = runSync<Reply>([&](std::function<void(Reply)> done) {
        auto callback = [done](bool ok, BVOptionalError e) { done({ok, std::move(e)}); };
        switch (operation) {
            case AgentOperation::Remove: proxy->removeItemAtPath(path, callback); break;
            case AgentOperation::SecurelyRemove: proxy->securelyRemoveItemAtPath(path, callback); break;
            case AgentOperation::Truncate: proxy->truncateFileAtPath(path, callback); break;
        }
    });
    error = reply.second;
    return reply.first;
}

bool BVFileRemover::removeFileAtPath(const Path& path, std::string* errorDescription) {
    if (BVDebugSwitches::isOn(BVDebugModeAllFailedRemove)) {
        performFakeRemove();
        if (errorDescription) *errorDescription = text("ErrorDescriptionRemoving_CouldntRemoveWithPrivileges", path.value_or(""));
        return false;
    }
    if (BVDebugSwitches::isOn(BVDebugModeFakeRemove)) {
        performFakeRemove();
        return true;
    }
    if (!path) return true;
    if (auto refused = refusal(*path)) {
        BVLogger::error("[remove file] " + *refused);
        if (errorDescription) *errorDescription = *refused;
        return false;
    }
    BVError fmError;
    if (fileManager_->removeFileAtPath(*path, &fmError)) {
        BVLogger::info(fmt::format("[remove file] removed at path: {}", paths_->abbreviateHome(*path)));
        return true;
    }
    std::string fmDescription = fmError.localizedDescription();
    if (errorDescription) *errorDescription = fmDescription;
    BVLogger::info(fmt::format("[remove file] couldn remove at path: {} with error {}", *path, fmDescription));

    bool authorized = false;
    std::optional<BVError> agentError;
    if (runThroughAgent(AgentOperation::Remove, *path, authorized, agentError)) {
        BVLogger::info(fmt::format("[remove file] removed using agent at path: {} ", *path));
        return true;
    }
    if (authorized) {
        if (errorDescription) {
            auto it = agentError ? agentError->userInfo().find(BVLocalizedDescriptionKey) : BVDictionary::const_iterator{};
            bool hasDescription = agentError && it != agentError->userInfo().end() && it->second.isString();
            std::string agentText = hasDescription ? it->second.stringValue() : "";
            if (!hasDescription) *errorDescription = text("ErrorDescriptionRemoving_CouldntRemoveWithPrivileges", *path);
            else if (agentText.find(*path) != std::string::npos) *errorDescription = agentText;
            else *errorDescription = *path + ": " + agentText;
        }
    } else {
        // Not authorised: unless the user cancelled the dialog, stop asking for this session.
        if (performer_ && performer_->lastErrorCode() != kUserCancelled) performer_->markBroken();
        if (errorDescription) *errorDescription = text("ErrorDescriptionRemoving_FileWasntAuthorized", *path);
    }
    BVLogger::error(fmt::format("[remove file] couldn't remove at path: {} with error {}", *path, fmDescription));
    return false;
}

bool BVFileRemover::removeFileAtPath(const Path& path, BVError* error) { return removeFileAtPath(path, false, error); }

bool BVFileRemover::removeFileAtPath(const Path& path, bool removeParentFolderIfEmpty, BVError* error) {
    std::string description;
    if (!removeFileAtPath(path, &description)) {
        BVSetError(error, BVError::withDescription(BVURLErrorDomain, 0, description));
        return false;
    }
    if (removeParentFolderIfEmpty && path) {
        std::string parent = BVFileIO::parentPath(*path);
        std::vector<std::string> children;
        if (fileManager_->contentsOfDirectoryAtPath(parent, children, nullptr) && children.empty() &&
            !protectionRefusal(parent)) {
            fileManager_->removeFileAtPath(parent, nullptr);
        }
    }
    return true;
}

bool BVFileRemover::securelyRemoveFileAtPath(const Path& path, std::string* errorDescription) {
    if (BVDebugSwitches::isOn(BVDebugModeFakeRemove)) {
        BVLogger::info(fmt::format("[remove file] fake securely remove {}", path.value_or("")));
        performFakeRemove();
        return true;
    }
    if (!path) return true;
    if (auto refused = refusal(*path)) {
        if (errorDescription) *errorDescription = *refused;
        BVLogger::error("[secremove file] couldn't remove file with error: " + *refused);
        return false;
    }
    BVError fmError;
    if (fileManager_->securelyRemoveFileAtPath(*path, &fmError)) return true;
    std::string description = fmError.localizedDescription();
    bool authorized = false;
    std::optional<BVError> agentError;
    if (runThroughAgent(AgentOperation::SecurelyRemove, *path, authorized, agentError)) return true;
    if (authorized) {
        auto it = agentError ? agentError->userInfo().find(BVLocalizedDescriptionKey) : BVDictionary::const_iterator{};
        bool has = agentError && it != agentError->userInfo().end() && it->second.isString();
        description = has ? it->second.stringValue() : text("ErrorDescriptionRemoving_GenericSingleFileError", *path);
    } else {
        description = text("ErrorDescriptionRemoving_FileWasntAuthorized", *path);
    }
    if (errorDescription) {
        *errorDescription = description;
        BVLogger::error(fmt::format("[secremove file] couldn't remove file with error: {}", description));
    } else {
        BVLogger::error("[secremove file] couldn't remove using agent.");
    }
    return false;
}

bool BVFileRemover::securelyRemoveFileAtPath(const Path& path, BVError* error) {
    std::string description;
    if (securelyRemoveFileAtPath(path, &description)) return true;
    BVSetError(error, BVError::withDescription(BVURLErrorDomain, 0, description));
    return false;
}

bool BVFileRemover::removeContentsOfDirectoryAtPath(const Path& path) { return removeContentsOfDirectoryAtPath(path, nullptr, nullptr); }

bool BVFileRemover::removeContentsOfDirectoryAtPath(const Path& path, std::vector<BVError>* errors) {
    return removeContentsOfDirectoryAtPath(path, nullptr, errors);
}

bool BVFileRemover::removeContentsOfDirectoryAtPath(const Path& path, const std::shared_ptr<BVComputableProgress>& progress,
                                                    std::vector<BVError>* errors) {
    if (progress) progress->sleepThreadWhilePaused();
    if (!path || (progress && progress->isCancelled())) return true;
    std::vector<BVError> collected;
    std::vector<std::string> children;
    BVError listing;
    if (!fileManager_->contentsOfDirectoryAtPath(*path, children, &listing)) {
        if (errors) *errors = {listing};
        BVLogger::error(fmt::format("[remove contents of directory] directory: {} error {}", *path, listing.localizedDescription()));
        return false;
    }
    if (progress) progress->addPendingUnitsCount(children.size());
    bool success = true;
    for (const auto& child : children) {
        if (progress) {
            progress->sleepThreadWhilePaused();
            if (progress->isCancelled()) break;
            progress->setPath(child);
        }
        std::string description;
        bool removed = removeFileAtPath(Path(child), &description);
        if (progress) progress->addUnitsCount(1);
        if (!removed) collected.push_back(BVError::withDescription("", 0, description));
        success = success && removed;
    }
    if (!collected.empty()) {
        std::string texts;
        for (const auto& e : collected) texts += (texts.empty() ? "" : ", ") + e.localizedDescription();
        BVLogger::error(fmt::format("[remove contents of directory] directory: {} errors ({})", *path, texts));
    } else {
        BVLogger::info(fmt::format("[remove contents of directory] removed contents of: {}", *path));
    }
    if (errors) *errors = std::move(collected);
    return success;
}

bool BVFileRemover::truncateFileAtPath(const Path& path) {
    if (BVDebugSwitches::isOn(BVDebugModeFakeRemove)) {
        BVLogger::info(fmt::format("[remove file] fake truncate {}", path.value_or("")));
        performFakeRemove();
        return true;
    }
    if (!path) return true;
    if (!fileManager_->fileExistsAtPath(*path)) {
        BVLogger::info(fmt::format("[truncate file] file doesn't exist at path: {}", *path));
        return true;
    }
    if (refusal(*path)) {
        BVLogger::error(fmt::format("[remove file] couldn't truncate file at path: {}", *path));
        return false;
    }
    if (fileManager_->truncateFileAtPath(*path, nullptr)) {
        BVLogger::info(fmt::format("[remove file] file truncated at path: {}", *path));
        return true;
    }
    bool authorized = false;
    std::optional<BVError> agentError;
    if (runThroughAgent(AgentOperation::Truncate, *path, authorized, agentError)) {
        BVLogger::info(fmt::format("[remove file] file truncated using agent at path: {}", *path));
        return true;
    }
    BVLogger::error(fmt::format("[remove file] couldn't truncate file at path: {}", *path));
    return false;
}
