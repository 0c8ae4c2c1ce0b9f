#include "Foundation/BVFileManager.h"

#include <algorithm>

#include "Foundation/BVASCIICase.h"
#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVSafeResolver.h"

namespace {

bool namesMatch(const std::string& candidate, const std::string& name, bool byWords) {
    if (byWords) {
        auto wanted = BVFileNameWords(name);
        if (wanted.empty()) return false;
        if (BVFileNameWords(candidate) == wanted) return true;
        size_t dot = candidate.rfind('.');  // the extension may follow the matching words
        return dot != std::string::npos && dot > 0 && BVFileNameWords(candidate.substr(0, dot)) == wanted;
    }
    std::string c = BVASCIILowercase(candidate), n = BVASCIILowercase(name);
    if (c == n) return true;
    return c.size() > n.size() + 1 && c.compare(0, n.size(), n) == 0 && c[n.size()] == '.' &&
           c.find('.', n.size() + 1) == std::string::npos;
}

// The parent folder of `path` opened, and the last name; null with the reason.
std::unique_ptr<BVFolderHandle> openParent(const BVFileManager& fm, const std::string& path, std::string& name,
                                           BVError* error) {
    auto normal = BVSafeResolver::candidatePath(path, error);
    if (!normal) return nullptr;
    if (*normal == "/") {
        BVSetError(error, BVError::fromErrno(EINVAL, path, "names no item that can be removed"));
        return nullptr;
    }
    name = BVFileIO::lastPathComponent(*normal);
    auto parent = fm.openFolder(BVFileIO::parentPath(*normal), std::nullopt, error);
    if (!parent && error) *error = error->forPath(*normal);
    return parent;
}

}  // namespace

std::string BVFolderHandle::childPath(const std::string& name) const { return BVFileIO::appendPathComponent(path(), name); }

BVFd BVFolderHandle::openChildForReading(const std::string& name, BVError* error) const {
    BVSetError(error, BVError::fromErrno(ENOTSUP, childPath(name), "cannot be read through this file manager"));
    return BVFd();
}

std::vector<std::string> BVFileNameWords(const std::string& name) {
    std::vector<std::string> words;
    std::string current;
    for (char c : name) {
        if (c == ' ' || c == '.' || c == '-' || c == '_') {
            if (!current.empty()) words.push_back(BVASCIILowercase(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) words.push_back(BVASCIILowercase(current));
    return words;
}

std::optional<BVFileIdentity> BVFileManager::identityAtPath(const std::string& path, BVError* error) const {
    auto normal = BVSafeResolver::candidatePath(path, error);
    if (!normal) return std::nullopt;
    if (*normal == "/") {
        auto root = openFolder("/", std::nullopt, error);
        return root ? std::optional<BVFileIdentity>(root->identity()) : std::nullopt;
    }
    std::string name;
    auto parent = openParent(*this, *normal, name, error);
    return parent ? parent->childIdentity(name, error) : std::nullopt;
}

bool BVFileManager::fileExistsAtPath(const std::string& path) const { return identityAtPath(path, nullptr).has_value(); }

bool BVFileManager::isDirectoryAtPath(const std::string& path) const {
    auto id = identityAtPath(path, nullptr);
    return id && id->isDirectory();
}

std::vector<std::string> BVFileManager::contentsOfDirectoryAtURL(const std::string& folder,
                                                                 const std::shared_ptr<BVComputableProgress>& progress,
                                                                 uint64_t options) const {
    if (progress) {
        progress->setPath(folder);
        if (progress->isCancelled()) return {};
    }
    std::vector<std::string> out;
    if (!contentsOfDirectoryAtPath(folder, out, nullptr)) return {};
    if (options & BVDirectoryEnumerationSkipsHiddenFiles)
        out.erase(std::remove_if(out.begin(), out.end(),
                                 [](const std::string& p) { return BVFileIO::lastPathComponent(p)[0] == '.'; }),
                  out.end());
    return out;
}

bool BVFileManager::contentsOfDirectoryAtPath(const std::string& folder, std::vector<std::string>& children,
                                              BVError* error) const {
    children.clear();
    auto handle = openFolder(folder, std::nullopt, error);
    std::vector<std::string> names;
    if (!handle || !handle->childNames(names, error)) return false;
    children.reserve(names.size());
    for (const auto& n : names) children.push_back(handle->childPath(n));
    return true;
}

BVFd BVFileManager::openFileForReadingAtPath(const std::string& path, BVError* error) const {
    std::string name;
    auto parent = openParent(*this, path, name, error);
    if (!parent) return BVFd();
    return parent->openChildForReading(name, error);
}

bool BVFileManager::removeItemAtPath(const std::string& path, const BVRemovalRequest& request, BVRemovalOutcome& outcome,
                                     BVError* error) const {
    std::string name;
    auto parent = openParent(*this, path, name, error);
    if (!parent) {
        outcome.wasMissing = error && error->posixCode() == ENOENT;
        return false;
    }
    return parent->removeChild(name, request, outcome, error);
}

bool BVFileManager::emptyFileAtPath(const std::string& path, const BVRemovalRequest& request, BVRemovalOutcome& outcome,
                                    BVError* error) const {
    std::string name;
    auto parent = openParent(*this, path, name, error);
    if (!parent) {
        outcome.wasMissing = error && error->posixCode() == ENOENT;
        return false;
    }
    return parent->emptyChild(name, request, outcome, error);
}

bool BVFileManager::removeFileAtPath(const std::string& path, BVError* error) const {
    BVRemovalOutcome outcome;
    return removeItemAtPath(path, {}, outcome, error);
}

bool BVFileManager::securelyRemoveFileAtPath(const std::string& path, BVError* error) const {
    BVRemovalOutcome outcome;
    return removeItemAtPath(path, {BVRemovalMode::Erase, std::nullopt, nullptr}, outcome, error);
}

bool BVFileManager::truncateFileAtPath(const std::string& path, BVError* error) const {
    BVRemovalOutcome outcome;
    return emptyFileAtPath(path, {}, outcome, error);
}

std::vector<std::string> BVFileManager::findFile(const std::string& name, const std::string& folder, bool matchByWords,
                                                 bool recursive) const {
    std::vector<std::string> out;
    std::vector<std::string> pending{folder};
    while (!pending.empty()) {
        std::string current = std::move(pending.back());
        pending.pop_back();
        auto handle = openFolder(current, std::nullopt, nullptr);
        std::vector<std::string> names;
        if (!handle || !handle->childNames(names, nullptr)) continue;
        for (const auto& n : names) {
            if (namesMatch(n, name, matchByWords)) out.push_back(handle->childPath(n));
            if (!recursive) continue;
            if (auto id = handle->childIdentity(n, nullptr); id && id->isDirectory()) pending.push_back(handle->childPath(n));
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}
