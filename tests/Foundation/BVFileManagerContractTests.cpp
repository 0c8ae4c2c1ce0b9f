// One contract for every file manager: the POSIX layer on a real temporary tree and the
// in-memory fake the other suites use must answer alike, so a test written against the fake
// says something true about the disk.
#include <gtest/gtest.h>
#include <unistd.h>

#include "Foundation/BVFileManager.h"
#include "Foundation/BVKeepRule.h"
#include "Foundation/BVPOSIXFileManager.h"
#include "Foundation/BVPaths.h"
#include "tests/fixtures/BVMemoryFileManager.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

// A tree declared the same way on either file manager, below `root()`.
struct RealDisk {
    BVTemporaryFolder t;
    std::shared_ptr<BVPaths> paths = std::make_shared<BVPaths>(BVLayout::linux, t.folder("home"));
    std::shared_ptr<BVFileManager> manager = std::make_shared<BVPOSIXFileManager>(paths);
    std::string root() const { return t.path(); }
    void file(const std::string& p, uint64_t bytes) { t.file(p, bytes); }
    void folder(const std::string& p) { t.folder(p); }
    void link(const std::string& p, const std::string& target) { t.symlink(p, target); }
    void hardLink(const std::string& p, const std::string& existing) { ASSERT_EQ(::link((t / existing).c_str(), (t / p).c_str()), 0); }
};

struct FakeDisk {
    std::shared_ptr<BVMemoryFileManager> fake = std::make_shared<BVMemoryFileManager>();
    std::shared_ptr<BVFileManager> manager = fake;
    FakeDisk() { fake->folder("/fixture"); }
    std::string root() const { return "/fixture"; }
    void file(const std::string& p, uint64_t bytes) { fake->file("/fixture/" + p, bytes); }
    void folder(const std::string& p) { fake->folder("/fixture/" + p); }
    void link(const std::string& p, const std::string& target) { fake->link("/fixture/" + p, target); }
    void hardLink(const std::string& p, const std::string& existing) { fake->hardLink("/fixture/" + p, "/fixture/" + existing); }
};

template <class Disk>
class BVFileManagerContract : public ::testing::Test {
protected:
    Disk disk;
    BVFileManager& fm() { return *disk.manager; }
    std::string at(const std::string& relative) { return disk.root() + "/" + relative; }
};

using Disks = ::testing::Types<RealDisk, FakeDisk>;
TYPED_TEST_SUITE(BVFileManagerContract, Disks);

}  // namespace

TYPED_TEST(BVFileManagerContract, ListsAndIdentifiesWithoutFollowingLinks) {
    this->disk.file("c/b", 100);
    this->disk.file("c/a", 100);
    this->disk.folder("c/d");
    this->disk.link("c/l", this->at("c/d"));
    std::vector<std::string> children;
    ASSERT_TRUE(this->fm().contentsOfDirectoryAtPath(this->at("c"), children, nullptr));
    EXPECT_EQ(children, (std::vector<std::string>{this->at("c/a"), this->at("c/b"), this->at("c/d"), this->at("c/l")}));
    EXPECT_TRUE(this->fm().isDirectoryAtPath(this->at("c/d")));
    EXPECT_FALSE(this->fm().isDirectoryAtPath(this->at("c/l")));
    EXPECT_TRUE(this->fm().identityAtPath(this->at("c/l"), nullptr)->isLink());
    BVError error;
    EXPECT_FALSE(this->fm().identityAtPath(this->at("c/none"), &error));
    EXPECT_EQ(error.code(), ENOENT);
    EXPECT_FALSE(this->fm().openFolder(this->at("c/l"), std::nullopt, &error));
    EXPECT_EQ(error.code(), ELOOP);
    EXPECT_FALSE(this->fm().removeFileAtPath(this->at("c/l/x"), &error));
    EXPECT_EQ(error.code(), ELOOP);
}

TYPED_TEST(BVFileManagerContract, MeasuresAndRemovesTreesCountingEachInodeOnce) {
    this->disk.file("t/a", 8192);
    this->disk.file("t/sub/b", 8192);
    this->disk.hardLink("t/sub/b2", "t/sub/b");  // both names go: counted once
    this->disk.file("shared", 8192);
    this->disk.hardLink("t/shared", "shared");   // one name stays: nothing freed
    this->disk.link("t/link", this->at("shared"));
    auto folders = this->fm().identityAtPath(this->at("t"), nullptr)->allocatedBytes +
                   this->fm().identityAtPath(this->at("t/sub"), nullptr)->allocatedBytes;
    uint64_t files = this->fm().identityAtPath(this->at("t/a"), nullptr)->allocatedBytes * 2;
    uint64_t shared = this->fm().identityAtPath(this->at("shared"), nullptr)->allocatedBytes;
    // Measured, every inode counts once; removed, one whose other name stays frees nothing.
    EXPECT_EQ(this->fm().itemSizeAtPath(this->at("t")), folders + files + shared);
    EXPECT_EQ(this->fm().itemSizeAtPath(this->at("t/link/x")), 0u);
    BVRemovalOutcome outcome;
    BVError error;
    ASSERT_TRUE(this->fm().removeItemAtPath(this->at("t"), {}, outcome, &error)) << error.localizedDescription();
    EXPECT_EQ(outcome.freedBytes, folders + files);
    EXPECT_FALSE(this->fm().fileExistsAtPath(this->at("t")));
    EXPECT_TRUE(this->fm().fileExistsAtPath(this->at("shared")));
    BVRemovalOutcome again;
    EXPECT_FALSE(this->fm().removeItemAtPath(this->at("t"), {}, again, &error));
    EXPECT_TRUE(again.wasMissing);
}

TYPED_TEST(BVFileManagerContract, EmptiesOnlyAFileOfItsOwn) {
    this->disk.file("logs/own.log", 8192);
    this->disk.file("keep.log", 8192);
    this->disk.hardLink("logs/other.log", "keep.log");
    this->disk.link("logs/link.log", this->at("keep.log"));
    BVRemovalOutcome own, other, link;
    BVError error;
    EXPECT_TRUE(this->fm().emptyFileAtPath(this->at("logs/own.log"), {}, own, &error));
    EXPECT_GT(own.freedBytes, 0u);
    EXPECT_EQ(this->fm().identityAtPath(this->at("logs/own.log"), nullptr)->allocatedBytes, 0u);
    EXPECT_TRUE(this->fm().emptyFileAtPath(this->at("logs/other.log"), {}, other, &error));
    EXPECT_TRUE(other.unlinkedInstead);
    EXPECT_FALSE(this->fm().fileExistsAtPath(this->at("logs/other.log")));
    EXPECT_GT(this->fm().identityAtPath(this->at("keep.log"), nullptr)->allocatedBytes, 0u);
    EXPECT_FALSE(this->fm().emptyFileAtPath(this->at("logs/link.log"), {}, link, &error));
    EXPECT_EQ(error.code(), ELOOP);
    EXPECT_FALSE(this->fm().emptyFileAtPath(this->at("logs"), {}, link, &error));
}

TYPED_TEST(BVFileManagerContract, KeepsWhatTheRuleNamesAndRefusesAChangedItem) {
    this->disk.file("c/keep.dat", 100);
    this->disk.file("c/junk/a", 100);
    this->disk.file("c/z", 100);
    BVKeepRule keep({this->at("c/keep.dat")}, {});
    BVRemovalRequest request;
    request.keep = &keep;
    BVRemovalOutcome outcome;
    BVError error;
    ASSERT_TRUE(this->fm().removeItemAtPath(this->at("c"), request, outcome, &error)) << error.localizedDescription();
    EXPECT_EQ(outcome.keptItems, 1u);
    std::vector<std::string> left;
    ASSERT_TRUE(this->fm().contentsOfDirectoryAtPath(this->at("c"), left, nullptr));
    EXPECT_EQ(left, std::vector<std::string>{this->at("c/keep.dat")});

    BVRemovalRequest stale;
    stale.expected = this->fm().identityAtPath(this->at("c"), nullptr);
    stale.expected->inode += 1;  // another item than the listed one
    EXPECT_FALSE(this->fm().removeItemAtPath(this->at("c"), stale, outcome, &error));
    EXPECT_EQ(error.code(), ESTALE);
    EXPECT_TRUE(this->fm().fileExistsAtPath(this->at("c/keep.dat")));
}
