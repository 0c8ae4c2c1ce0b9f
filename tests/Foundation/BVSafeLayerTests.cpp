// The safe file layer as a hostile tester would try it: links in every component of a path,
// bind mounts and tmpfs at and inside items, hard links, names swapped between the check and the
// act, trees deeper than a path can be. Each test checks byte for byte that nothing outside what
// it removes changed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "Foundation/BVFileManager.h"
#include "Foundation/BVKeepRule.h"
#include "Foundation/BVPOSIXFileManager.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVSHA256.h"
#include "Foundation/BVSafeResolver.h"
#include "Foundation/QLFileSizer.h"
#include "tests/fixtures/BVDiskSnapshot.h"
#include "tests/fixtures/BVMountNamespace.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

// A home with a cache holding junk, and precious documents beside it that must come through.
struct Home {
    BVTemporaryFolder t;
    std::string home = t.folder("home");
    std::shared_ptr<BVPaths> paths = std::make_shared<BVPaths>(BVLayout::linux, home);
    std::shared_ptr<BVFileManager> fm = std::make_shared<BVPOSIXFileManager>(paths);
    std::string documents;
    BVDiskSnapshot precious;
    Home() {
        t.fileWithText("home/Documents/thesis.doc", "four years of work");
        t.file("home/Documents/P/data.bin", 20000, 'p');
        documents = home + "/Documents";
        precious = BVSnapshot(documents);
    }
    void expectDocumentsIntact() const { EXPECT_EQ(BVSnapshot(documents), precious); }
};

}  // namespace

TEST(BVSafeResolver, RefusesALinkInAnyComponentBelowTheAnchorWithEitherMethod) {
    for (auto method : {BVSafeResolver::Method::Automatic, BVSafeResolver::Method::ComponentWalk}) {
        Home h;
        BVSafeResolver resolver(*h.paths, method);
        h.t.folder("home/.cache/real/inner");
        // A link as the folder itself, one level up, two levels up.
        h.t.symlink("home/.cache/mozilla", "../Documents");
        h.t.symlink("home/.cache/real/up", h.documents);
        struct Case {
            std::string path;
            std::string culprit;
        };
        for (const Case& c : {Case{h.home + "/.cache/mozilla", h.home + "/.cache/mozilla"},
                              Case{h.home + "/.cache/mozilla/P", h.home + "/.cache/mozilla"},
                              Case{h.home + "/.cache/real/up/P", h.home + "/.cache/real/up"}}) {
            BVError error;
            BVFd fd = resolver.openFolder(c.path, O_PATH, nullptr, &error);
            EXPECT_FALSE(fd) << c.path;
            EXPECT_EQ(error.code(), ELOOP) << c.path;
            EXPECT_NE(error.localizedDescription().find(c.culprit + " is a symbolic link"), std::string::npos)
                << error.localizedDescription();
        }
        BVFileIdentity id;
        BVError error;
        EXPECT_TRUE(resolver.openFolder(h.home + "/.cache/real/inner", O_RDONLY, &id, &error)) << error.localizedDescription();
        EXPECT_TRUE(id.isDirectory());
        EXPECT_FALSE(resolver.openFolder(h.home + "/.cache/real/../../Documents", O_PATH, nullptr, &error));
        EXPECT_EQ(error.code(), EINVAL);
        // The anchor itself is the user's own set-up: a home reached through a link is fine.
        std::string alias = h.t.symlink("home-alias", h.home);
        BVSafeResolver aliased(BVPaths(BVLayout::linux, alias), method);
        EXPECT_TRUE(aliased.openFolder(alias + "/.cache/real", O_PATH, nullptr, &error)) << error.localizedDescription();
        h.expectDocumentsIntact();
    }
}

TEST(BVSafeResolver, AnchorsAreTheDeepestTrustedFolderAndEachVolume) {
    BVSafeResolver r({"/home/u", "/home/u/.cache", "/var/log"}, {"/media/u"});
    EXPECT_EQ(r.anchorFor("/home/u/.cache/a/b"), "/home/u/.cache");
    EXPECT_EQ(r.anchorFor("/home/u/.cachex/a"), "/home/u");
    EXPECT_EQ(r.anchorFor("/home/u"), "/home/u");
    EXPECT_EQ(r.anchorFor("/var/logs/x"), "/");
    EXPECT_EQ(r.anchorFor("/media/u/USB STICK/.Trash-1000/files/x"), "/media/u/USB STICK");
    EXPECT_EQ(r.anchorFor("/media/u"), "/media/u");
}

TEST(BVFileManagerSafety, NothingIsReachedThroughALinkAnywhereInThePath) {
    Home h;
    h.t.file("home/.cache/app/junk", 5000);
    h.t.symlink("home/.cache/mozilla", "../Documents");
    std::string container = h.t.folder("home/.var/app");
    h.t.symlink("home/.var/app/X", h.documents + "/P");
    auto before = BVSnapshot(h.t.path());
    BVError error;
    EXPECT_FALSE(h.fm->removeFileAtPath(h.home + "/.cache/mozilla/thesis.doc", &error));
    EXPECT_EQ(error.code(), ELOOP);
    EXPECT_TRUE(h.fm->contentsOfDirectoryAtURL(h.home + "/.cache/mozilla", nullptr, 0).empty());
    EXPECT_TRUE(h.fm->contentsOfDirectoryAtURL(container + "/X", nullptr, 0).empty());
    EXPECT_FALSE(h.fm->truncateFileAtPath(container + "/X/data.bin", &error));
    EXPECT_FALSE(h.fm->isDirectoryAtPath(h.home + "/.cache/mozilla"));  // a link is not a folder
    EXPECT_EQ(QLFileSizer::itemSizeAtPath(container + "/X/data.bin"), 0u);
    EXPECT_EQ(BVSnapshot(h.t.path()), before);
    // The link itself, named as the item, is removed as a link.
    ASSERT_TRUE(h.fm->removeFileAtPath(h.home + "/.cache/mozilla", &error)) << error.localizedDescription();
    h.expectDocumentsIntact();
}

TEST(BVFileManagerSafety, MountsAtOrInsideAnItemAreLeftAlone) {
    BV_REQUIRE_PRIVATE_MOUNTS();
    Home h;
    std::string why;
    // A bind mount of the documents on a cache folder, one inside a cache folder, a tmpfs
    // inside one, and a file bind-mounted over a log.
    std::string at = h.t.folder("home/.cache/at");
    h.t.file("home/.cache/around/own", 3000);
    std::string inside = h.t.folder("home/.cache/around/inside");
    std::string tmpfs = h.t.folder("home/.cache/around/tmp");
    std::string log = h.t.file("home/.local/state/app/app.log", 100);
    ASSERT_TRUE(BVBindMount(h.documents, at, &why)) << why;
    ASSERT_TRUE(BVBindMount(h.documents, inside, &why)) << why;
    ASSERT_TRUE(BVMountTmpfs(tmpfs, &why)) << why;
    h.t.fileWithText("home/.cache/around/tmp/other-fs", "keep");
    ASSERT_TRUE(BVBindMount(h.documents + "/thesis.doc", log, &why)) << why;

    BVError error;
    EXPECT_FALSE(h.fm->removeFileAtPath(at, &error));
    EXPECT_EQ(error.code(), EXDEV) << error.localizedDescription();
    EXPECT_TRUE(h.fm->contentsOfDirectoryAtURL(at, nullptr, 0).empty());  // not entered either
    EXPECT_EQ(QLFileSizer::itemSizeAtPath(at), 0u);
    EXPECT_FALSE(h.fm->truncateFileAtPath(log, &error));
    EXPECT_EQ(error.code(), EXDEV);
    EXPECT_FALSE(h.fm->removeFileAtPath(log, &error));

    uint64_t size = QLFileSizer::itemSizeAtPath(h.home + "/.cache/around");
    EXPECT_LT(size, 20000u);  // the mounted documents are not counted
    EXPECT_FALSE(h.fm->removeFileAtPath(h.home + "/.cache/around", &error));
    EXPECT_EQ(error.code(), EXDEV);
    EXPECT_FALSE(h.fm->fileExistsAtPath(h.home + "/.cache/around/own"));  // the rest went
    EXPECT_EQ(BVReadText(tmpfs + "/other-fs"), "keep");
    h.expectDocumentsIntact();
}

TEST(BVFileManagerSafety, EmptyingAFileWithOtherLinksOnlyUnlinksThatName) {
    Home h;
    std::string keep = h.documents + "/keep.log";
    std::ofstream(keep) << "the other name's content";
    std::string log = h.home + "/.local/state/app.log";
    h.t.folder("home/.local/state");
    ASSERT_EQ(::link(keep.c_str(), log.c_str()), 0);
    auto before = BVSnapshot(h.documents);
    BVRemovalOutcome outcome;
    BVError error;
    ASSERT_TRUE(h.fm->emptyFileAtPath(log, {}, outcome, &error)) << error.localizedDescription();
    EXPECT_TRUE(outcome.unlinkedInstead);
    EXPECT_EQ(outcome.freedBytes, 0u);
    EXPECT_FALSE(h.fm->fileExistsAtPath(log));
    EXPECT_EQ(BVSnapshot(h.documents), before);

    // A pipe, a link and a folder are never emptied (and a pipe never blocks the call).
    std::string pipe = h.home + "/.local/state/pipe.log";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string link = h.t.symlink("home/.local/state/link.log", keep);
    for (const auto& p : {pipe, link, h.home + "/.local/state"}) {
        BVRemovalOutcome o;
        EXPECT_FALSE(h.fm->emptyFileAtPath(p, {}, o, &error)) << p;
    }
    EXPECT_EQ(BVSnapshot(h.documents), before);
}

TEST(BVFileManagerSafety, FreedSpaceCountsEachInodeOnceWhenItsLastNameGoes) {
    Home h;
    std::string own = h.t.file("home/.cache/app/own", 40000);
    std::string twin = h.t.file("home/.cache/app/twin-a", 40000);
    ASSERT_EQ(::link(twin.c_str(), (h.home + "/.cache/app/twin-b").c_str()), 0);  // both names go
    std::string shared = h.t.file("home/.cache/app/shared", 40000);
    ASSERT_EQ(::link(shared.c_str(), (h.documents + "/shared").c_str()), 0);  // one name stays
    uint64_t expected = BVAllocatedBytes(own) + BVAllocatedBytes(twin) + BVAllocatedBytes(h.home + "/.cache/app");
    BVRemovalOutcome outcome;
    BVError error;
    ASSERT_TRUE(h.fm->removeItemAtPath(h.home + "/.cache/app", {}, outcome, &error)) << error.localizedDescription();
    EXPECT_EQ(outcome.freedBytes, expected);
    EXPECT_EQ(BVReadText(h.documents + "/shared"), std::string(40000, 'x'));

    // Gone already: reported missing, nothing freed.
    BVRemovalOutcome again;
    EXPECT_FALSE(h.fm->removeItemAtPath(h.home + "/.cache/app", {}, again, &error));
    EXPECT_TRUE(again.wasMissing);
    EXPECT_EQ(again.freedBytes, 0u);
}

TEST(BVFileManagerSafety, KeptPathsStayAndTheItemIsEmptiedAroundThem) {
    Home h;
    h.t.fileWithText("home/.cache/foo/keep.dat", "keep");
    h.t.fileWithText("home/.cache/foo/sub/notes.txt", "notes");
    h.t.file("home/.cache/foo/sub/junk.tmp", 3000);
    h.t.file("home/.cache/foo/junk/a", 3000);
    h.t.file("home/.cache/foo/z.bin", 3000);
    BVKeepRule keep({h.home + "/.cache/foo/keep.dat"}, {h.home + "/.cache/foo/*.txt"});
    BVRemovalRequest request;
    request.keep = &keep;
    BVRemovalOutcome outcome;
    BVError error;
    ASSERT_TRUE(h.fm->removeItemAtPath(h.home + "/.cache/foo", request, outcome, &error)) << error.localizedDescription();
    EXPECT_EQ(outcome.keptItems, 2u);
    std::vector<std::string> left;
    for (const auto& [path, entry] : BVSnapshot(h.home + "/.cache/foo")) left.push_back(path.substr(h.home.size()));
    EXPECT_EQ(left, (std::vector<std::string>{"/.cache/foo", "/.cache/foo/keep.dat", "/.cache/foo/sub", "/.cache/foo/sub/notes.txt"}));
    EXPECT_EQ(BVReadText(h.home + "/.cache/foo/keep.dat"), "keep");
}

TEST(BVFileManagerSafety, AnItemThatIsNoLongerTheListedOneIsLeftAlone) {
    Home h;
    std::string folder = h.t.folder("home/.cache/app");
    h.t.file("home/.cache/app/x", 100);
    auto listed = h.fm->identityAtPath(folder, nullptr);
    ASSERT_TRUE(listed);
    // Replaced by another folder of the same name (its inode number may even be reused).
    ASSERT_TRUE(h.fm->removeFileAtPath(folder, nullptr));
    h.t.fileWithText("home/.cache/app/new", "not listed");
    BVRemovalRequest request;
    request.expected = listed;
    BVRemovalOutcome outcome;
    BVError error;
    EXPECT_FALSE(h.fm->removeItemAtPath(folder, request, outcome, &error));
    EXPECT_EQ(error.code(), ESTALE);
    EXPECT_NE(error.localizedDescription().find("changed since it was listed"), std::string::npos);
    EXPECT_EQ(BVReadText(folder + "/new"), "not listed");
    EXPECT_FALSE(h.fm->openFolder(folder, listed, &error));
}

TEST(BVFileManagerSafety, AFolderSwappedForALinkWhileItIsEmptiedNeverReachesTheTarget) {
    // A racing thread exchanges the folder with a link to the documents, over and over, while
    // its entries are removed one by one; in no round may a document change.
    Home h;
    const std::string folder = h.home + "/.cache/logs", swap = h.home + "/.cache/logs-swap";
    for (int round = 0; round < 15; ++round) {
        for (int i = 0; i < 40; ++i) h.t.file("home/.cache/logs/f" + std::to_string(i) + ".log", 100);
        h.t.symlink("home/.cache/logs-swap", h.documents);
        std::atomic<bool> stop{false};
        std::thread racer([&] {
            while (!stop.load()) ::renameat2(AT_FDCWD, folder.c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE);
        });
        // By path, each name resolved again at every call, and through a handle opened once.
        for (int i = 0; i < 40; i += 2) {
            BVRemovalOutcome outcome;
            std::string name = folder + "/f" + std::to_string(i) + ".log";
            h.fm->emptyFileAtPath(name, {}, outcome, nullptr);
            h.fm->removeItemAtPath(name, {}, outcome, nullptr);
            h.fm->removeItemAtPath(folder + "/P", {}, outcome, nullptr);  // the documents' folder, through the swap
            h.fm->emptyFileAtPath(folder + "/thesis.doc", {}, outcome, nullptr);
        }
        if (auto handle = h.fm->openFolder(folder, std::nullopt, nullptr)) {
            std::vector<std::string> names;
            handle->childNames(names, nullptr);
            for (const auto& n : names) {
                BVRemovalOutcome outcome;
                handle->emptyChild(n, {}, outcome, nullptr);
                handle->removeChild(n, {}, outcome, nullptr);
            }
        }
        stop = true;
        racer.join();
        h.expectDocumentsIntact();
        // Back to a folder and a link, for the next round.
        ::unlink(swap.c_str()), ::unlink(folder.c_str());
        std::filesystem::remove_all(folder), std::filesystem::remove_all(swap);
    }
}

TEST(BVFileManagerSafety, TreesDeeperThanAPathAreMeasuredInFull) {
    BVTemporaryFolder t;
    std::string top = t.folder("deep");
    int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 1500; ++i) {  // 1500 * "/level" is well past PATH_MAX
        ASSERT_EQ(::mkdirat(fd, "level", 0755), 0);
        int file = ::openat(fd, "data", O_CREAT | O_WRONLY, 0644);
        ASSERT_EQ(::write(file, std::string(5000, 'd').data(), 5000), 5000);
        ::close(file);
        int next = ::openat(fd, "level", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ::close(fd);
    FILE* du = ::popen(("du -s --block-size=1 '" + top + "'").c_str(), "r");
    unsigned long long expected = 0;
    ASSERT_EQ(std::fscanf(du, "%llu", &expected), 1);
    ::pclose(du);
    for (unsigned threads : {1u, 2u}) EXPECT_EQ(QLFileSizer::itemSizeAtPath(top, threads), expected) << threads;
}

TEST(BVFileManagerSafety, FilesAreReadOnlyWhenTheyAreRegularFilesReachedWithoutALink) {
    Home h;
    std::string secret = h.t.fileWithText("home/Downloads/real.txt", "contents");
    h.t.symlink("home/Downloads/link.txt", secret);
    h.t.symlink("home/Linked", h.documents);
    std::string fifo = h.t / "home/Downloads/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    BVError error;
    BVFd fd = h.fm->openFileForReadingAtPath(secret, &error);
    ASSERT_TRUE(fd) << error.localizedDescription();
    std::string text;
    ASSERT_TRUE(BVSHA256::readDescriptor(fd.get(), text, 100));
    EXPECT_EQ(text, "contents");
    BVFd again = h.fm->openFileForReadingAtPath(secret, &error);
    EXPECT_EQ(BVSHA256::hexDigestOfDescriptor(again.get()), BVSHA256::hexDigest("contents"));
    // A link as the name or in the path, a folder, and a pipe nobody writes to (no hang).
    for (const std::string& refused : {h.home + "/Downloads/link.txt", h.home + "/Linked/thesis.doc", h.documents, fifo}) {
        BVError e;
        EXPECT_FALSE(h.fm->openFileForReadingAtPath(refused, &e)) << refused;
        EXPECT_NE(e.code(), 0) << refused;
    }
    h.expectDocumentsIntact();
}
