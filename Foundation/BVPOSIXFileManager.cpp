#include "Foundation/BVPOSIXFileManager.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVPaths.h"
#include "Foundation/QLFileSizer.h"
#include "Foundation/BVSafeResolver.h"
#include "Foundation/BVTreeRemoval.h"

namespace {

class POSIXFolder final : public BVFolderHandle {
public:
    POSIXFolder(BVFd fd, std::string path, BVFileIdentity identity)
        : fd_(std::move(fd)), path_(std::move(path)), identity_(identity) {}

    const std::string& path() const override { return path_; }
    const BVFileIdentity& identity() const override { return identity_; }

    bool childNames(std::vector<std::string>& names, BVError* error) const override {
        names.clear();
        // The handle is an O_PATH descriptor; reading needs the folder opened for reading.
        int fd = ::openat(fd_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
        if (!dir) {
            int e = errno;
            if (fd >= 0) ::close(fd);
            BVSetError(error, BVError::fromErrno(e, path_));
            return false;
        }
        errno = 0;
        while (dirent* d = ::readdir(dir)) {
            const char* n = d->d_name;
            if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
            names.emplace_back(n);
        }
        int e = errno;
        ::closedir(dir);
        if (e != 0) {
            BVSetError(error, BVError::fromErrno(e, path_));
            return false;
        }
        std::sort(names.begin(), names.end());
        return true;
    }

    std::optional<BVFileIdentity> childIdentity(const std::string& name, BVError* error) const override {
        if (!BVTreeRemoval::isEntryName(name)) {
            BVSetError(error, BVError::fromErrno(EINVAL, childPath(name)));
            return std::nullopt;
        }
        auto id = BVIdentityAt(fd_.get(), name.c_str());
        if (!id) BVSetError(error, BVError::fromErrno(errno, childPath(name)));
        return id;
    }

    bool removeChild(const std::string& name, const BVRemovalRequest& request, BVRemovalOutcome& outcome,
                     BVError* error) const override {
        return BVTreeRemoval::removeChild(fd_.get(), identity_, path_, name, request, outcome, error);
    }

    bool emptyChild(const std::string& name, const BVRemovalRequest& request, BVRemovalOutcome& outcome,
                    BVError* error) const override {
        return BVTreeRemoval::emptyChild(fd_.get(), identity_, path_, name, request, outcome, error);
    }

private:
    BVFd fd_;
    std::string path_;
    BVFileIdentity identity_;
};

}  // namespace

std::shared_ptr<BVFileManager> BVFileManager::defaultManager() {
    static auto manager = std::make_shared<BVPOSIXFileManager>();
    return manager;
}

BVPOSIXFileManager::BVPOSIXFileManager(std::shared_ptr<const BVPaths> paths) : paths_(std::move(paths)) {}

uint64_t BVPOSIXFileManager::itemSizeAtPath(const std::string& path, unsigned threads) const {
    auto normal = BVSafeResolver::candidatePath(path, nullptr);
    if (!normal || *normal == "/") return 0;
    auto resolver = paths_ ? std::shared_ptr<const BVSafeResolver>(paths_, &paths_->resolver()) : BVSafeResolver::standard();
    std::string folderPath = BVFileIO::parentPath(*normal);
    BVFileIdentity folder;
    BVFd fd = resolver->openFolder(folderPath, O_PATH, &folder, nullptr);
    if (!fd) return 0;
    return QLFileSizer::itemSizeInFolder(fd.get(), folder, folderPath, BVFileIO::lastPathComponent(*normal), threads);
}

std::unique_ptr<BVFolderHandle> BVPOSIXFileManager::openFolder(const std::string& path,
                                                              const std::optional<BVFileIdentity>& expected,
                                                              BVError* error) const {
    auto normal = BVSafeResolver::candidatePath(path, error);
    if (!normal) return nullptr;
    auto resolver = paths_ ? std::shared_ptr<const BVSafeResolver>(paths_, &paths_->resolver()) : BVSafeResolver::standard();
    BVFileIdentity identity;
    BVFd fd = resolver->openFolder(*normal, O_PATH, &identity, error);
    if (!fd) return nullptr;
    if (expected && !expected->isSameItem(identity)) {
        BVSetError(error, BVChangedRefusal(*normal, *expected, identity));
        return nullptr;
    }
    return std::make_unique<POSIXFolder>(std::move(fd), *normal, identity);
}
