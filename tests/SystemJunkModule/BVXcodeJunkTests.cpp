// Developer junk on the macos layout: the Xcode groups in their order with what each offers and
// preselects, archive titles from their property lists, the ignore list by group name, item
// path and module-cache name, and removals that take exactly the chosen items (the last
// documentation set with its folder, the device logs as one folder).
#include <gtest/gtest.h>

#include <algorithm>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVPlistCodec.h"
#include "KnowledgeBase/BVIgnoreItemInfo.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "SystemJunkModule/BVXcodeJunkTask.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"
#include "tests/fixtures/BVDiskSnapshot.h"

namespace {

const std::string kXcode = "Library/Developer/Xcode/";
const std::string kDocSets = "Library/Developer/Shared/Documentation/DocSets/";

// 2026-12-10 17:30:00 UTC.
const BVDate kCreation{1796923800};

BVValue archiveInfo(std::optional<std::string> name) {
    BVDictionary info{{"ApplicationProperties", BVDictionary{{"CFBundleShortVersionString", "2.1"}, {"CFBundleVersion", "314"}}},
                      {"CreationDate", kCreation}};
    if (name) info["Name"] = *name;
    return info;
}

void writeArchive(BVJunkFixture& f, const std::string& relative, const BVValue& info) {
    f.file(relative + "/Products/Applications/App.app/App", 6000);
    ASSERT_TRUE(BVPlistCodec::encodeToFile(info, f.home() + "/" + relative + "/Info.plist", BVPlistCodec::Format::XML));
}

// A home with some of every kind, and what must never be offered beside it.
void populate(BVJunkFixture& f) {
    f.file(kXcode + "DerivedData/Shop-bxqzhgtdlkcrdw/Build/Products/Shop", 4000);
    f.file(kXcode + "DerivedData/My-App-Two-fmrqeoyjxgwpab/Index/data", 3000);
    f.file(kXcode + "DerivedData/ModuleCache/Foundation.pcm", 2000);          // Xcode 8's module cache
    f.file(kXcode + "DerivedData/ModuleCache.noindex/Foundation.pcm", 2000);  // today's: a module cache
    f.file(kXcode + "DerivedData/.DS_Store", 100);
    writeArchive(f, kXcode + "Archives/2026-12-10/Shop 10-12-2026, 17.30.xcarchive", archiveInfo("Shop"));
    f.file(kXcode + "Archives/2026-12-10/Broken.xcarchive/Products/App", 5000);  // no Info.plist
    writeArchive(f, kXcode + "Archives/2026-12-11/Nameless.xcarchive", archiveInfo(std::nullopt));
    f.file(kXcode + "Archives/2026-12-11/notes.txt", 10);
    f.file(kXcode + "iOS DeviceSupport/17.2 (21C62)/Symbols/dyld", 7000);
    f.file(kXcode + "watchOS DeviceSupport/10.2 (21S364)/Symbols/dyld", 7000);
    f.file(kXcode + "iOS Device Logs/Shop-2026-12-10.crash", 900);
    f.file(kDocSets + "com.apple.adc.documentation.iOS.docset/Contents/Info.plist", 800);
    f.file("Library/Caches/com.apple.dt.Xcode/Downloads/Simulator.dmg", 9000);
    f.file("Library/Developer/Xcode/UserData/FontAndColorThemes/Mine.xccolortheme", 50);  // the user's own
}

std::shared_ptr<BVXcodeJunkGroupModel> groupNamed(const BVScanResultPtr& result, const std::string& name) {
    for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{}))
        if (auto group = std::dynamic_pointer_cast<BVXcodeJunkGroupModel>(item); group && group->groupModel()->name() == name)
            return group;
    return nullptr;
}

std::vector<std::shared_ptr<BVXcodeJunkItemModel>> itemsOf(const std::shared_ptr<BVXcodeJunkGroupModel>& group) {
    std::vector<std::shared_ptr<BVXcodeJunkItemModel>> items;
    for (const auto& child : group ? group->children() : std::vector<BVEntityPtr>{})
        items.push_back(std::dynamic_pointer_cast<BVXcodeJunkItemModel>(child));
    return items;
}

std::vector<std::string> namesOf(const std::shared_ptr<BVXcodeJunkGroupModel>& group) {
    std::vector<std::string> names;
    for (const auto& item : itemsOf(group)) names.push_back(item->junkItem()->name());
    return names;
}

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

TEST(BVXcodeJunk, EveryKindIsOneGroupInOrderWithWhatItOffersAndPreselects) {
    BVJunkFixture f({}, BVLayout::macos);
    populate(f);
    auto task = BVXcodeJunkTask::task(f.environment());
    auto result = task->scan();
    std::string x = "~/" + kXcode;
    EXPECT_EQ(BVGroupSummary(result, f.home()),
              (std::vector<std::string>{
                  "Xcode Derived Data: " + x + "DerivedData/My-App-Two-fmrqeoyjxgwpab " + x + "DerivedData/Shop-bxqzhgtdlkcrdw",
                  "Module Caches: " + x + "DerivedData/ModuleCache.noindex",
                  "iOS Device Logs:",
                  "Archives: " + x + "Archives/2026-12-10/Shop 10-12-2026, 17.30.xcarchive " + x +
                      "Archives/2026-12-11/Nameless.xcarchive",
                  "iOS Device Support: " + x + "iOS DeviceSupport/17.2 (21C62)",
                  "watchOS Device Support: " + x + "watchOS DeviceSupport/10.2 (21S364)",
                  "Xcode Documentation Cache: ~/" + kDocSets + "com.apple.adc.documentation.iOS.docset",
                  "Downloads: ~/Library/Caches/com.apple.dt.Xcode/Downloads/Simulator.dmg",
              }));
    EXPECT_DOUBLE_EQ(task->progress()->fractionCompleted(), 1.0);

    auto derived = groupNamed(result, "Xcode Derived Data");
    EXPECT_EQ(namesOf(derived), (std::vector<std::string>{"My-App-Two", "Shop"}));  // cut at the last "-"
    for (const auto& item : itemsOf(derived)) {
        EXPECT_TRUE(item->autoselected());
        EXPECT_EQ(item->junkItem()->type(), BVXcodeJunkItemTypeDerivedData);
    }
    auto modules = groupNamed(result, "Module Caches");
    EXPECT_EQ(namesOf(modules), (std::vector<std::string>{"com.apple.dt.xcode"}));
    EXPECT_EQ(modules->autoselectedSize(), 0u);

    auto logs = groupNamed(result, "iOS Device Logs");
    ASSERT_TRUE(logs);
    EXPECT_EQ(logs->groupModel()->type(), BVXcodeJunkItemTypeDeviceLogs);
    EXPECT_EQ(logs->groupModel()->url(), f.home() + "/" + kXcode + "iOS Device Logs");
    EXPECT_GT(logs->size(), 0u);
    EXPECT_TRUE(logs->autoselected());

    auto archives = namesOf(groupNamed(result, "Archives"));
    ASSERT_EQ(archives.size(), 2u);
    EXPECT_TRUE(startsWith(archives[0], "Shop 2.1 (314) - ")) << archives[0];
    EXPECT_TRUE(startsWith(archives[1], "2.1 (314) - ")) << archives[1];  // no "Name": the version leads
    EXPECT_EQ(groupNamed(result, "Archives")->autoselectedSize(), 0u);
    EXPECT_EQ(namesOf(groupNamed(result, "iOS Device Support")), (std::vector<std::string>{"17.2 (21C62)"}));
    EXPECT_EQ(namesOf(groupNamed(result, "Xcode Documentation Cache")),
              (std::vector<std::string>{"iOS com.apple.adc.documentation.iOS.docset"}));

    // Only the derived data and the device logs are preselected.
    EXPECT_EQ(result->selectedSize(), derived->size() + logs->size());
}

TEST(BVXcodeJunk, ArchiveTitlesSkipWhatTheListLacks) {
    struct Case {
        BVValue info;
        std::string title;
    };
    BVDictionary versions{{"CFBundleShortVersionString", "2.1"}, {"CFBundleVersion", "314"}};
    const std::vector<Case> cases = {
        {archiveInfo("Shop"), "Shop 2.1 (314) - Dec 10, 2026"},
        {archiveInfo(std::nullopt), "2.1 (314) - Dec 10, 2026"},
        {BVDictionary{{"Name", "Shop"}, {"CreationDate", kCreation}}, "Shop - Dec 10, 2026"},
        {BVDictionary{{"Name", "Shop"}, {"ApplicationProperties", BVDictionary{{"CFBundleVersion", "314"}}}}, "Shop (314)"},
        {BVDictionary{{"ApplicationProperties", versions}}, "2.1 (314)"},
        {BVDictionary{{"Name", "Shop"}, {"ApplicationProperties", "not a dictionary"}}, "Shop"},
    };
    for (const auto& c : cases) {
        std::string title = BVXcodeArchivesScanTask::archiveTitle(c.info, "en_US", "UTC");
        EXPECT_TRUE(startsWith(title, c.title)) << title;
        // The short time follows the medium date; nothing follows a title without a date.
        if (c.info.contains("CreationDate")) EXPECT_NE(title.find("5:30"), std::string::npos) << title;
        else EXPECT_EQ(title, c.title);
    }
}

TEST(BVXcodeJunk, TheIgnoreListHidesAGroupByNameAnItemByPathAModuleCacheByName) {
    BVJunkFixture f({}, BVLayout::macos);
    populate(f);
    auto kb = f.handle(BVScannerDeveloperToolJunk);
    ASSERT_TRUE(kb->createIgnoreItemWithInfo(BVIgnoreItemInfo("Archives")));
    ASSERT_TRUE(kb->createIgnoreItemWithInfo(BVIgnoreItemInfo("iOS Device Logs")));
    ASSERT_TRUE(kb->createIgnoreItemWithInfo(BVIgnoreItemInfo("com.apple.dt.xcode")));
    ASSERT_TRUE(kb->createIgnoreItemWithInfo(BVIgnoreItemInfo(f.home() + "/" + kXcode + "DerivedData/Shop-bxqzhgtdlkcrdw")));
    auto result = BVXcodeJunkTask::task(f.environment())->scan();
    std::vector<std::string> groups;
    for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{})) groups.push_back(item->value()->description());
    EXPECT_EQ(groups, (std::vector<std::string>{"Xcode Derived Data", "iOS Device Support", "watchOS Device Support",
                                                "Xcode Documentation Cache", "Downloads"}));
    EXPECT_EQ(namesOf(groupNamed(result, "Xcode Derived Data")), (std::vector<std::string>{"My-App-Two"}));
}

TEST(BVXcodeJunk, RemovalsTakeTheChosenItemsAndNothingElse) {
    BVJunkFixture f({}, BVLayout::macos);
    populate(f);
    f.file(kDocSets + "com.apple.adc.documentation.macOS.docset/Contents/Info.plist", 800);
    auto remover = std::make_shared<BVFileRemover>(nullptr, BVFileManager::defaultManager(), f.environment().paths);
    auto result = BVXcodeJunkTask::task(f.environment())->scan();
    auto logs = groupNamed(result, "iOS Device Logs");
    auto docs = itemsOf(groupNamed(result, "Xcode Documentation Cache"));
    auto derived = itemsOf(groupNamed(result, "Xcode Derived Data"));
    ASSERT_TRUE(logs);
    ASSERT_EQ(docs.size(), 2u);
    ASSERT_EQ(derived.size(), 2u);
    std::string docSets = f.home() + "/" + kDocSets;
    docSets.pop_back();

    std::vector<std::string> removed;
    auto remove = [&](const BVEntityPtr& entity, const std::string& path) {
        entity->setRemover(remover);
        auto removal = entity->remove();
        EXPECT_FALSE(removal->error()) << path;
        EXPECT_EQ(removal->size(), entity->size()) << path;
        removed.push_back(path);
    };
    BVDiskSnapshot before = BVSnapshot(f.home());
    remove(docs[0], docs[0]->junkItem()->url());
    EXPECT_TRUE(BVFileManager::defaultManager()->isDirectoryAtPath(docSets));  // another set is left in it
    remove(docs[1], docs[1]->junkItem()->url());
    EXPECT_FALSE(BVFileManager::defaultManager()->fileExistsAtPath(docSets));  // the last takes its folder
    remove(logs, logs->groupModel()->url());
    remove(derived[1], derived[1]->junkItem()->url());
    removed.push_back(docSets);

    // Every change is a removed item or lies inside one.
    for (const auto& changed : BVChangedPaths(before, BVSnapshot(f.home()))) {
        bool inside = std::any_of(removed.begin(), removed.end(), [&](const std::string& item) {
            return changed == item || BVFileIO::isPathInside(changed, item);
        });
        EXPECT_TRUE(inside) << changed;
    }
    EXPECT_TRUE(BVFileManager::defaultManager()->isDirectoryAtPath(f.home() + "/Library/Developer/Shared/Documentation"));
    EXPECT_TRUE(BVFileManager::defaultManager()->isDirectoryAtPath(derived[0]->junkItem()->url()));
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(f.home() + "/" + kXcode + "DerivedData/ModuleCache.noindex/Foundation.pcm"));
}
