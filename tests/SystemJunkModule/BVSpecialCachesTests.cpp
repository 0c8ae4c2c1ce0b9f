// Caches kept outside the caches folders (a video editor's media cache, the migration
// assistant's copy of the shared-library cache) and the photo caches a device sync leaves in the
// pictures folder, on macos fixtures end to end: what is offered where, what never is, and that
// a clean takes exactly the offered contents.
#include <gtest/gtest.h>

#include <algorithm>

#include "Foundation/BVJSONCodec.h"
#include "KnowledgeBase/BVIgnoreItemInfo.h"
#include "SystemJunkModule/BVPhotoSyncCachesScanTask.h"
#include "SystemJunkModule/BVSpecialAppsCacheScanTask.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"
#include "tests/fixtures/BVCommandRun.h"
#include "tests/fixtures/BVDiskSnapshot.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

BVCommandRun brenvik(std::vector<std::string> arguments, const BVTemporaryFolder& fixture) {
    arguments.insert(arguments.end(), {"--home", fixture / "home", "--root", fixture / "root", "--layout", "macos", "--no-progress"});
    return BVRunBrenvik(arguments);
}

// "group: child child" (a group is named by its path or else its value) or "path" per item of
// one task's scan, paths relative to the fixture, with whether the item or a child is preselected.
std::map<std::string, bool> scanned(const BVTemporaryFolder& fixture, const std::string& identifier) {
    BVCommandRun r = brenvik({"scan", "system-junk", "--json"}, fixture);
    EXPECT_EQ(r.status, 0) << r.err;
    auto doc = BVJSONCodec::decode(r.out);
    std::map<std::string, bool> found;
    if (!doc) return found;
    std::string base = fixture.path() + "/";
    auto relative = [&](std::string path) { return path.compare(0, base.size(), base) == 0 ? path.substr(base.size()) : path; };
    for (const auto& result : (*doc)["results"].arrayValue()) {
        if (result["identifier"].stringValue() != identifier) continue;
        for (const auto& item : result["items"].arrayValue()) {
            std::string path = item["path"].stringValue();
            std::string line = path.empty() ? item["value"].stringValue() : relative(path);
            bool selected = item["autoselected"].boolValue();
            std::string children;
            for (const auto& child : item["children"].arrayValue()) {
                children += " " + relative(child["path"].stringValue());
                selected = selected || child["autoselected"].boolValue();
            }
            if (!children.empty()) line += ":" + children;
            found[line] = selected;
        }
    }
    return found;
}

// The paths a clean changed, the program's own log and store aside.
std::vector<std::string> changedSince(const BVDiskSnapshot& before, const BVTemporaryFolder& fixture) {
    auto changed = BVChangedPaths(before, BVSnapshot(fixture.path()));
    std::erase_if(changed, [&](const std::string& path) {
        return path.starts_with(fixture / "home/Library/Logs") || path.starts_with(fixture / "home/Library/Application Support/Brenvik X");
    });
    return changed;
}

// Every path of `before` at or below one of `items`.
std::vector<std::string> below(const BVDiskSnapshot& before, const std::vector<std::string>& items) {
    std::vector<std::string> paths;
    for (const auto& [path, what] : before)
        for (const auto& item : items)
            if (path == item || path.starts_with(item + "/")) paths.push_back(path);
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace

TEST(BVSpecialAppsProvider, TheMediaCacheAndTheFirstMigrationsDyldCache) {
    BVJunkFixture f({}, BVLayout::macos);
    auto& folder = f.kb.folder;
    std::string history = f.root() + "/Library/SystemMigration/History";
    folder.folder("root/Library/SystemMigration/History/Archive");
    BVSpecialAppsProvider none(*f.environment().paths, *BVFileManager::defaultManager());
    ASSERT_EQ(none.userApps().size(), 1u);
    EXPECT_EQ(none.userApps()[0]->applicationName(), "Adobe Premier Pro Media Cache");
    EXPECT_EQ(none.userApps()[0]->cachePath(), f.home() + "/Library/Application Support/Adobe/Common/Media Cache Files");
    EXPECT_TRUE(none.systemApps().empty()) << "no Migration- entry, no system cache";

    folder.folder("root/Library/SystemMigration/History/Migration-B2");
    folder.folder("root/Library/SystemMigration/History/Migration-A1");
    BVSpecialAppsProvider two(*f.environment().paths, *BVFileManager::defaultManager());
    ASSERT_EQ(two.systemApps().size(), 1u);
    EXPECT_EQ(two.systemApps()[0]->applicationName(), "System Migration Cache");
    EXPECT_EQ(two.systemApps()[0]->cachePath(), history + "/Migration-A1/QuarantineRoot/private/var/db/dyld");

    BVJunkFixture linux;
    BVSpecialAppsProvider onLinux(*linux.environment().paths, *BVFileManager::defaultManager());
    EXPECT_TRUE(onLinux.userApps().empty() && onLinux.systemApps().empty());
}

TEST(BVSpecialAppsCacheScanTask, OffersOnlyAnExistingUnprotectedUnignoredFolder) {
    BVJunkFixture f({}, BVLayout::macos);
    auto& folder = f.kb.folder;
    folder.file("root/Library/Media/a", 30000);
    folder.file("root/Library/Ignored/a", 30000);
    folder.file("root/System/Library/Caches/a", 30000);
    folder.symlink("root/Library/Linked", folder / "root/Library/Media");
    folder.folder("root/Library/Empty");
    auto kb = f.handle(BVScannerSystemCaches);
    ASSERT_TRUE(kb->createIgnoreItemWithInfo(BVIgnoreItemInfo(f.root() + "/Library/Ignored")));
    std::vector<BVSpecialApplicationCacheInfoPtr> infos;
    for (const char* place : {"Library/Media", "Library/Ignored", "System/Library/Caches", "Library/Linked", "Library/Empty", "Library/Missing"})
        infos.push_back(std::make_shared<BVSpecialApplicationCacheInfo>(place, f.root() + "/" + place));
    BVSpecialAppsCacheScanTask task(f.environment().paths, BVFileManager::defaultManager(), kb, infos, nullptr);
    auto result = task.scan();
    EXPECT_EQ(result->identifier(), "BVSystemJunkScanIdentifierSpecialAppsCache");
    EXPECT_EQ(BVItemTexts(result), std::vector<std::string>{f.root() + "/Library/Media"});
    auto model = std::dynamic_pointer_cast<BVSpecialApplicationCacheModel>(result->items()->at(0));
    ASSERT_TRUE(model);
    EXPECT_EQ(model->cacheInfo()->applicationName(), "Library/Media");
    EXPECT_GE(model->size(), 30000u);
    EXPECT_TRUE(model->autoselected());
}

TEST(BVSpecialAppsCacheScanTask, CleansEmptyTheCachesInTheirApplicationsGroups) {
    BVTemporaryFolder t;
    const std::string media = "home/Library/Application Support/Adobe/Common/Media Cache Files";
    const std::string dyld = "root/Library/SystemMigration/History/Migration-7/QuarantineRoot/private/var/db/dyld";
    t.file(media + "/clip.cfa", 30000);
    t.file(media + "/clip.pek", 20000);
    t.file("home/Library/Application Support/Adobe/Common/Preferences.xml", 2000);  // beside the cache: kept
    t.file(dyld + "/dyld_shared_cache_x86_64", 40000);
    t.file("root/Library/SystemMigration/History/Migration-7/QuarantineRoot/private/var/db/other", 2000);
    EXPECT_EQ(scanned(t, "BVSystemJunkScanIdentifierUserCachesCompound"),
              (std::map<std::string, bool>{{"Adobe Premier Pro Media Cache: " + media, true}}));
    EXPECT_EQ(scanned(t, "BVSystemJunkScanIdentifierSystemCachesCompound"),
              (std::map<std::string, bool>{{"System Migration Cache: " + dyld, true}}));

    BVDiskSnapshot before = BVSnapshot(t.path());
    for (const char* task : {"system-junk/user-caches", "system-junk/system-caches"}) {
        BVCommandRun clean = brenvik({"clean", task, "--yes", "--json"}, t);
        EXPECT_EQ(clean.status, 0) << clean.err << clean.out;
    }
    // The folders are emptied and stay; nothing beside them changes.
    auto removed = below(before, {t / media, t / dyld});
    std::erase_if(removed, [&](const std::string& path) { return path == t / media || path == t / dyld; });
    EXPECT_EQ(changedSince(before, t), removed);
}

TEST(BVPhotoSyncCachesScanTask, FindsLibraryAndBareDeviceCachesAndTakesOnlyTheirImageFolders) {
    BVTemporaryFolder t;
    t.folder("root");
    const std::string pictures = "home/Pictures/";
    for (const char* file : {"iPhoto Library.photolibrary/iPod Photo Cache/F00/T1.ithmb",
                             "iPhoto Library.photolibrary/Masters/a.jpg",
                             "Photos Library.photoslibrary/originals/b.heic",  // a library without a device cache
                             "Device/Photo Database", "Device/F03/T1.ithmb", "Device/F17/T2.ithmb",
                             "Device/Other/keep.jpg", "Device/F50/keep.ithmb",  // not an image folder of the cache
                             "Trips/2019/Player/Photo Database", "Trips/2019/Player/F00/T.ithmb",
                             ".hidden/Photo Database", ".hidden/F01/T.ithmb",
                             "Some.bundle/Photo Database", "Some.bundle/F02/T.ithmb",  // packages are not entered
                             "Album/F05/T.ithmb"})                                      // no database: not a cache
        t.file(pictures + file, 30000);
    t.symlink(pictures + "Linked", t / (pictures + "Device"));
    const std::string p = pictures;
    EXPECT_EQ(scanned(t, "BVSystemJunkScanIdentifierPhotoSyncCaches"),
              (std::map<std::string, bool>{{p + "Device: " + p + "Device/F03 " + p + "Device/F17", false},
                                           {p + "Trips/2019/Player: " + p + "Trips/2019/Player/F00", false},
                                           {p + "iPhoto Library.photolibrary/iPod Photo Cache", false}}));

    // Never preselected: a clean takes nothing unless they are included, then those folders alone.
    BVDiskSnapshot before = BVSnapshot(t.path());
    BVCommandRun plain = brenvik({"clean", "system-junk/photo-sync-caches", "--yes", "--json"}, t);
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_TRUE(changedSince(before, t).empty());
    BVCommandRun all = brenvik({"clean", "system-junk/photo-sync-caches", "--include", "*", "--yes", "--json"}, t);
    EXPECT_EQ(all.status, 0) << all.err << all.out;
    EXPECT_EQ(changedSince(before, t), below(before, {t / (p + "Device/F03"), t / (p + "Device/F17"), t / (p + "Trips/2019/Player/F00"),
                                                     t / (p + "iPhoto Library.photolibrary/iPod Photo Cache")}));
}
