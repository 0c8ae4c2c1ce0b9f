// Deleting, erasing and truncating real trees, with a precious tree beside the fixture that
// must come through byte for byte.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Foundation/BVFileManager.h"
#include "tests/fixtures/BVMountNamespace.h"
#include "tests/fixtures/BVTemporaryFolder.h"
#include "tests/fixtures/BVUnprivileged.h"

namespace {

// Every path below `root` with its content (files) or link target (links), for byte-for-byte
// comparison.
std::map<std::string, std::string> snapshot(const std::string& root) {
    std::map<std::string, std::string> out;
    std::vector<std::string> stack{root};
    auto fm = BVFileManager::defaultManager();
    while (!stack.empty()) {
        std::string dir = stack.back();
        stack.pop_back();
        for (const auto& child : fm->contentsOfDirectoryAtURL(dir, nullptr, 0)) {
            struct stat st {};
            ::lstat(child.c_str(), &st);
            if (S_ISDIR(st.st_mode)) {
                out[child] = "<dir>";
                stack.push_back(child);
            } else if (S_ISLNK(st.st_mode)) {
                char target[4096];
                ssize_t n = ::readlink(child.c_str(), target, sizeof target);
                out[child] = "-> " + std::string(target, size_t(std::max<ssize_t>(n, 0)));
            } else {
                out[child] = BVReadText(child);
            }
        }
    }
    return out;
}

struct Fixture {
    BVTemporaryFolder t;
    std::string precious;
    std::map<std::string, std::string> before;
    Fixture() {
        t.fileWithText("precious/keep.txt", "do not lose me");
        t.file("precious/deep/data.bin", 50000, 'p');
        precious = t / "precious";
        before = snapshot(precious);
    }
    void expectPreciousIntact() const { EXPECT_EQ(snapshot(precious), before); }
};

}  // namespace

TEST(BVFileManagerRemoval, DeletesTreesWithoutFollowingLinks) {
    Fixture f;
    auto fm = BVFileManager::defaultManager();
    f.t.file("victim/a/b/c.txt", 3000);
    f.t.file("victim/empty-file");
    f.t.folder("victim/empty-folder");
    f.t.symlink("victim/link-to-precious", f.precious);
    f.t.symlink("victim/a/link-to-file", f.precious + "/keep.txt");
    ASSERT_EQ(::link((f.precious + "/keep.txt").c_str(), (f.t / "victim/hard-link").c_str()), 0);
    BVError error;
    ASSERT_TRUE(fm->removeFileAtPath(f.t / "victim", &error)) << error.localizedDescription();
    EXPECT_FALSE(fm->fileExistsAtPath(f.t / "victim"));
    f.expectPreciousIntact();

    // A link given directly is removed as a link, even one to a folder.
    std::string link = f.t.symlink("direct-link", f.precious);
    ASSERT_TRUE(fm->removeFileAtPath(link, &error));
    EXPECT_FALSE(fm->fileExistsAtPath(link));
    f.expectPreciousIntact();

    EXPECT_FALSE(fm->removeFileAtPath(f.t / "missing", &error));
    EXPECT_EQ(error.code(), ENOENT);
    EXPECT_EQ(error.domain(), BVPOSIXErrorDomain);
}

TEST(BVFileManagerRemoval, AFolderSwappedForALinkAfterTheScanIsRemovedAsALink) {
    Fixture f;
    auto fm = BVFileManager::defaultManager();
    f.t.file("cache/app/data", 100);
    // Scanned as a folder; before the clean it becomes a link to the precious tree.
    ASSERT_TRUE(fm->removeFileAtPath(f.t / "cache/app", nullptr));
    f.t.symlink("cache/app", f.precious);
    ASSERT_TRUE(fm->removeFileAtPath(f.t / "cache/app", nullptr));
    EXPECT_FALSE(fm->fileExistsAtPath(f.t / "cache/app"));
    EXPECT_TRUE(fm->isDirectoryAtPath(f.t / "cache"));
    f.expectPreciousIntact();
}

TEST(BVFileManagerRemoval, DeletesTreesDeeperThanPathsAndOpenFolderLimitsAllow) {
    BVTemporaryFolder t;
    std::string top = t.folder("deep");
    // 3000 levels: the full path is longer than PATH_MAX, so build it relative to each parent.
    int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        int file = ::openat(fd, "f", O_CREAT | O_WRONLY, 0644);
        ::close(file);
        ::close(fd);
        fd = next;
    }
    ::close(fd);
    BVError error;
    EXPECT_TRUE(BVFileManager::defaultManager()->removeFileAtPath(top, &error)) << error.localizedDescription();
    EXPECT_FALSE(BVFileManager::defaultManager()->fileExistsAtPath(top));
}

TEST(BVFileManagerRemoval, SecureRemovalOverwritesContentBeforeUnlinking) {
    Fixture f;
    auto fm = BVFileManager::defaultManager();
    std::string secret = f.t.fileWithText("secret/inner/secret.txt", std::string(10000, 's'));
    ASSERT_EQ(::link((f.precious + "/keep.txt").c_str(), (f.t / "secret/shared").c_str()), 0);
    int watcher = ::open(secret.c_str(), O_RDONLY);  // still reads the inode after the unlink
    ASSERT_GE(watcher, 0);
    ASSERT_TRUE(fm->securelyRemoveFileAtPath(f.t / "secret", nullptr));
    EXPECT_FALSE(fm->fileExistsAtPath(f.t / "secret"));
    std::string after(10000, 'x');
    ASSERT_EQ(::pread(watcher, after.data(), after.size(), 0), 10000);
    ::close(watcher);
    EXPECT_EQ(after, std::string(10000, '\0'));
    f.expectPreciousIntact();  // the hard-linked file was unlinked, not overwritten
}

TEST(BVFileManagerRemoval, TruncationKeepsTheFileAndRefusesLinksAndFolders) {
    BVTemporaryFolder t;
    auto fm = BVFileManager::defaultManager();
    std::string log = t.file("app.log", 5000);
    ASSERT_TRUE(fm->truncateFileAtPath(log, nullptr));
    EXPECT_TRUE(fm->fileExistsAtPath(log));
    EXPECT_EQ(BVReadText(log).size(), 0u);
    std::string target = t.fileWithText("target", "keep");
    BVError error;
    EXPECT_FALSE(fm->truncateFileAtPath(t.symlink("link", target), &error));
    EXPECT_EQ(BVReadText(target), "keep");
    EXPECT_FALSE(fm->truncateFileAtPath(t.folder("dir"), &error));
    EXPECT_FALSE(fm->truncateFileAtPath(t / "missing", &error));
    EXPECT_EQ(error.code(), ENOENT);

    std::vector<std::string> children;
    EXPECT_TRUE(fm->contentsOfDirectoryAtPath(t.path(), children, &error));
    EXPECT_EQ(children.size(), 4u);
    EXPECT_FALSE(fm->contentsOfDirectoryAtPath(t / "missing", children, &error));
}

TEST(BVFileManagerRemoval, StaysOnTheItemsFileSystem) {
    BV_REQUIRE_PRIVATE_MOUNTS();
    BVTemporaryFolder t;
    std::string mountPoint = t.folder("victim/mounted");
    t.file("victim/own", 100);
    std::string why;
    ASSERT_TRUE(BVMountTmpfs(mountPoint, &why)) << why;
    std::ofstream(mountPoint + "/other-fs-file") << "keep";
    BVError error;
    EXPECT_FALSE(BVFileManager::defaultManager()->removeFileAtPath(t / "victim", &error));
    EXPECT_EQ(error.code(), EXDEV);
    EXPECT_EQ(BVReadText(mountPoint + "/other-fs-file"), "keep");
    EXPECT_FALSE(BVFileManager::defaultManager()->fileExistsAtPath(t / "victim/own"));  // the rest went
}

namespace {

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

}  // namespace

TEST(BVFileManagerRemoval, ReadOnlyFoldersAreMadeWritableOnlyInsideTheItemAndOnlyWhenAsked) {
    BVTemporaryFolder t;
    // A store that makes its trees read-only, as Go's module cache does, and a read-only folder
    // beside it that must stay as it is.
    t.file("gopath/pkg/mod/example.com/lib@v1.0.0/sub/lib.go", 2000);
    t.file("gopath/pkg/mod/example.com/lib@v1.0.0/go.mod", 100);
    t.file("beside/kept.txt", 100);
    for (const char* file : {"gopath/pkg/mod/example.com/lib@v1.0.0/sub/lib.go", "gopath/pkg/mod/example.com/lib@v1.0.0/go.mod"})
        ASSERT_EQ(::chmod((t / file).c_str(), 0444), 0);
    for (const char* folder : {"gopath/pkg/mod/example.com/lib@v1.0.0/sub", "gopath/pkg/mod/example.com/lib@v1.0.0", "beside"})
        ASSERT_EQ(::chmod((t / folder).c_str(), 0555), 0);
    std::string mod = t / "gopath/pkg/mod";
    BV_EXPECT_UNPRIVILEGED(t.path(), {
        auto fm = BVFileManager::defaultManager();
        BVRemovalOutcome outcome;
        BVError error;
        // As they are, the read-only folders cannot be emptied: only the writable parts go.
        BV_CHILD_CHECK(!fm->removeItemAtPath(mod, BVRemovalRequest{}, outcome, &error));
        BV_CHILD_CHECK(error.posixCode() == EACCES);
        BV_CHILD_CHECK(modeOf(t / "gopath/pkg/mod/example.com/lib@v1.0.0") == 0555);
        BVRemovalRequest writable;
        writable.flags.makeFoldersWritable = true;
        BVRemovalOutcome second;
        BV_CHILD_CHECK(fm->removeItemAtPath(mod, writable, second, &error));
        BV_CHILD_CHECK(!fm->fileExistsAtPath(mod));
        BV_CHILD_CHECK(second.freedBytes > 0);
        // Nothing outside the item changed.
        BV_CHILD_CHECK(modeOf(t / "gopath/pkg") == 0755);
        BV_CHILD_CHECK(modeOf(t / "beside") == 0555);
        BV_CHILD_CHECK(fm->fileExistsAtPath(t / "beside/kept.txt"));
    });
}

TEST(BVFileManagerRemoval, AFolderToGoOnlyWhenEmptyStaysWithWhatItHolds) {
    BVTemporaryFolder t;
    t.file("docsets/late-arrival.txt", 10);
    t.folder("empty");
    auto fm = BVFileManager::defaultManager();
    BVRemovalRequest onlyIfEmpty;
    onlyIfEmpty.flags.onlyIfEmpty = true;
    BVRemovalOutcome outcome;
    BVError error;
    EXPECT_FALSE(fm->removeItemAtPath(t / "docsets", onlyIfEmpty, outcome, &error));
    EXPECT_EQ(error.posixCode(), ENOTEMPTY);
    EXPECT_TRUE(fm->fileExistsAtPath(t / "docsets/late-arrival.txt"));
    EXPECT_TRUE(fm->removeItemAtPath(t / "empty", onlyIfEmpty, outcome, &error)) << error.localizedDescription();
    EXPECT_FALSE(fm->fileExistsAtPath(t / "empty"));
}
