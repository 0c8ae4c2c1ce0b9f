// Sizing and walking real trees: the sizer agrees with du, never follows links, and counts a
// hard-linked file once; the ordered walk and the listings behave as the scanners expect.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <set>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVDirectoryWalker.h"
#include "Foundation/BVFTSFileManager.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/QLFileSizer.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

uint64_t duBytes(const std::string& path) {
    std::string command = "du -s --block-size=1 '" + path + "'";
    FILE* p = ::popen(command.c_str(), "r");
    unsigned long long bytes = 0;
    if (p) {
        if (std::fscanf(p, "%llu", &bytes) != 1) bytes = 0;
        ::pclose(p);
    }
    return bytes;
}

// A tree with files of several sizes, a deep chain, hard links, and links leading outside.
void makeTree(const BVTemporaryFolder& t, const std::string& outside) {
    for (int d = 0; d < 8; ++d)
        for (int f = 0; f < 20; ++f) t.file("tree/d" + std::to_string(d) + "/f" + std::to_string(f), uint64_t(f) * 1500);
    std::string deep = "tree/deep";
    for (int i = 0; i < 300; ++i) deep += "/n";
    t.file(deep + "/bottom", 9000);
    std::string original = t.file("tree/links/original", 200000);
    ASSERT_EQ(::link(original.c_str(), (t / "tree/links/hard").c_str()), 0);
    ASSERT_EQ(::link(original.c_str(), (t / "tree/d0/hard2").c_str()), 0);
    t.symlink("tree/links/to-outside", outside);
    t.symlink("tree/links/dangling", "/nonexistent/target");
}

}  // namespace

TEST(QLFileSizer, AgreesWithDuAndNeverFollowsLinks) {
    BVTemporaryFolder t;
    std::string outside = t.folder("outside");
    t.file("outside/huge", 5'000'000);
    makeTree(t, outside);
    uint64_t expected = duBytes(t / "tree");
    ASSERT_GT(expected, 0u);
    for (unsigned threads : {1u, 2u, 4u}) EXPECT_EQ(QLFileSizer::itemSizeAtPath(t / "tree", threads), expected) << threads;
    // A hard-linked file inside one measurement counts once: the three names share 200 kB.
    EXPECT_EQ(QLFileSizer::itemSizeAtPath(t / "tree/links"), duBytes(t / "tree/links"));
    EXPECT_LT(QLFileSizer::itemSizeAtPath(t / "tree"), expected + 5'000'000);
}

TEST(QLFileSizer, MeasuresSingleItemsAndMissingPaths) {
    BVTemporaryFolder t;
    std::string file = t.file("one", 10000);
    EXPECT_EQ(QLFileSizer::itemSizeAtPath(file), BVAllocatedBytes(file));
    std::string link = t.symlink("link", file);
    EXPECT_EQ(QLFileSizer::itemSizeAtPath(link), BVAllocatedBytes(link));
    EXPECT_EQ(QLFileSizer::itemSizeAtPath(t / "missing"), 0u);
    EXPECT_EQ(QLFileSizer::itemSizeAtPath(""), 0u);
}

TEST(QLFileSizer, DisplaysSizesInDecimalUnits) {
    const std::vector<std::pair<uint64_t, std::string>> cases = {
        {0, "Zero KB"}, {999, "999 bytes"}, {1000, "1 KB"}, {1500, "2 KB"},
        {12'300'000, "12.3 MB"}, {123'400'000, "123 MB"}, {1'500'000'000, "1.5 GB"}};
    for (const auto& [size, text] : cases) EXPECT_EQ(QLFileSizer::nonLocalizedDisplayItemSizeFromSize(size), text) << size;
}

TEST(BVFTSFileManager, WalksInPreOrderByNameAndStopsWhenAsked) {
    BVTemporaryFolder t;
    t.file("root/b/inner", 10);
    t.file("root/a", 10);
    t.file("root/c", 10);
    t.symlink("root/b/link", t / "root");  // a loop if it were followed
    std::vector<std::string> seen;
    ASSERT_TRUE(BVFTSFileManager::sharedManager()->traverseContentAtPath(
        t / "root", [&](const std::string& path, const std::string& name, bool isDir, uint64_t) {
            seen.push_back(path.substr(t.path().size() + 6) + (isDir ? "/" : ""));
            EXPECT_EQ(BVFileIO::lastPathComponent(path), name);
            return true;
        }));
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b/", "b/inner", "b/link", "c"}));

    int visits = 0;
    BVFTSFileManager::sharedManager()->traverseContentAtPath(t / "root", [&](auto&&...) { return ++visits < 2; });
    EXPECT_EQ(visits, 2);
    EXPECT_FALSE(BVFTSFileManager::sharedManager()->traverseContentAtPath(t / "missing", [](auto&&...) { return true; }));
}

TEST(BVFileManager, ListsChildrenAndFindsFilesByNameOrWords) {
    BVTemporaryFolder t;
    t.file("dir/.hidden");
    t.file("dir/b");
    t.file("dir/a");
    auto fm = BVFileManager::defaultManager();
    auto progress = BVComputableProgress::create();
    EXPECT_EQ(fm->contentsOfDirectoryAtURL(t / "dir", progress, 0),
              (std::vector<std::string>{t / "dir/.hidden", t / "dir/a", t / "dir/b"}));
    EXPECT_EQ(progress->path(), t / "dir");
    EXPECT_EQ(fm->contentsOfDirectoryAtURL(t / "dir", nullptr, BVDirectoryEnumerationSkipsHiddenFiles).size(), 2u);
    EXPECT_TRUE(fm->contentsOfDirectoryAtURL(t / "nope", nullptr, 0).empty());

    t.file("lib/com.vendor.App.plist");
    t.file("lib/com.vendor.AppHelper.plist");
    t.file("lib/Vendor App");
    t.file("lib/Vendor-App.savedState");
    t.file("lib/sub/vendor_app");
    t.file("lib/Vendor Apps");
    EXPECT_EQ(fm->findFile("com.vendor.app", t / "lib", false, false), (std::vector<std::string>{t / "lib/com.vendor.App.plist"}));
    EXPECT_EQ(fm->findFile("Vendor App", t / "lib", true, false),
              (std::vector<std::string>{t / "lib/Vendor App", t / "lib/Vendor-App.savedState"}));
    EXPECT_EQ(fm->findFile("Vendor App", t / "lib", true, true).size(), 3u);
    EXPECT_TRUE(fm->isDirectoryAtPath(t / "lib/sub"));
    EXPECT_FALSE(fm->fileExistsAtPath(t / "lib/none"));
}

TEST(BVDirectoryWalker, ATypesOnlyWalkSeesTheSameEntriesAndFollowsNoLink) {
    BVTemporaryFolder t;
    std::string outside = t.folder("outside");
    t.file("outside/never-seen", 10);
    makeTree(t, outside);
    auto entries = [&](bool typesOnly) {
        BVDirectoryWalker walker(2);
        walker.setTypesOnly(typesOnly);
        std::mutex mutex;
        std::set<std::string> seen;
        walker.walk(t / "tree", [&](unsigned, const BVWalkEntry& entry) {
            std::lock_guard lock(mutex);
            seen.insert(entry.path() + (entry.isDirectory() ? "/" : S_ISLNK(entry.status.stx_mode) ? "@" : ""));
            return true;
        });
        return seen;
    };
    auto typed = entries(true);
    EXPECT_EQ(typed, entries(false));
    EXPECT_TRUE(typed.count(t / "tree/links/to-outside@"));
    EXPECT_TRUE(typed.count(t / "tree/d0/"));
    for (const auto& path : typed) EXPECT_EQ(path.find("never-seen"), std::string::npos) << path;
}
