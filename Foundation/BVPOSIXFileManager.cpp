#include "Foundation/BVPOSIXFileManager.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>

#include "Foundation/BVASCIICase.h"
#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVTreeRemoval.h"

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

void collect(const std::string& folder, const std::string& name, bool byWords, bool recursive,
             std::vector<std::string>& out) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> subfolders;
    while (dirent* d = ::readdir(dir)) {
        std::string n = d->d_name;
        if (n == "." || n == "..") continue;
        std::string path = BVFileIO::appendPathComponent(folder, n);
        if (namesMatch(n, name, byWords)) out.push_back(path);
        if (recursive) {
            struct stat st {};
            if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) subfolders.push_back(path);
        }
    }
    ::closedir(dir);
    for (const auto& s : subfolders) collect(s, name, byWords, recursive, out);
}

}  // namespace

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

std::shared_ptr<BVFileManager> BVFileManager::defaultManager() {
    static auto manager = std::make_shared<BVPOSIXFileManager>();
    return manager;
}

bool BVPOSIXFileManager::fileExistsAtPath(const std::string& path) const {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool BVPOSIXFileManager::isDirectoryAtPath(const std::string& path) const {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> BVPOSIXFileManager::contentsOfDirectoryAtURL(
    const std::string& folder, const std::shared_ptr<BVComputableProgress>& progress, uint64_t options) const {
    std::vector<std::string> out;
    if (progress) progress->setPath(folder);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return out;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return out;
    }
    while (dirent* d = ::readdir(dir)) {
        if (progress && progress->isCancelled()) break;
        std::string n = d->d_name;
        if (n == "." || n == "..") continue;
        if ((options & BVDirectoryEnumerationSkipsHiddenFiles) && n[0] == '.') continue;
        out.push_back(BVFileIO::appendPathComponent(folder, n));
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> BVPOSIXFileManager::findFile(const std::string& name, const std::string& folder,
                                                      bool matchByWords, bool recursive) const {
    std::vector<std::string> out;
    collect(folder, name, matchByWords, recursive, out);
    std::sort(out.begin(), out.end());
    return out;
}

bool BVPOSIXFileManager::contentsOfDirectoryAtPath(const std::string& folder, std::vector<std::string>& children,
                                                   BVError* error) const {
    children.clear();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        BVSetError(error, BVError::fromErrno(errno, folder));
        return false;
    }
    while (dirent* d = ::readdir(dir)) {
        std::string n = d->d_name;
        if (n != "." && n != "..") children.push_back(BVFileIO::appendPathComponent(folder, n));
    }
    ::closedir(dir);
    std::sort(children.begin(), children.end());
    return true;
}

bool BVPOSIXFileManager::removeFileAtPath(const std::string& path, BVError* error) const {
    return BVTreeRemoval::removeItem(path, BVTreeRemoval::Mode::Delete, error);
}

bool BVPOSIXFileManager::securelyRemoveFileAtPath(const std::string& path, BVError* error) const {
    return BVTreeRemoval::removeItem(path, BVTreeRemoval::Mode::Erase, error);
}

bool BVPOSIXFileManager::truncateFileAtPath(const std::string& path, BVError* error) const {
    int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        BVSetError(error, BVError::fromErrno(errno, path));
        return false;
    }
    struct stat st {};
    int failure = 0;
    if (::fstat(fd, &st) != 0) failure = errno;
    else if (!S_ISREG(st.st_mode)) failure = EINVAL;
    else if (::ftruncate(fd, 0) != 0) failure = errno;
    ::close(fd);
    if (failure) BVSetError(error, BVError::fromErrno(failure, path));
    return failure == 0;
}
