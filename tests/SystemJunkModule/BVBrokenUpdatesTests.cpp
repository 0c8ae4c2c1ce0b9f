// Stale application updates on a macos-layout fixture: Java installer bundles, Chrome framework
// versions older than the one in use, Viber downloads not newer than the installed Viber.
#include <gtest/gtest.h>

#include "Foundation/BVPlistCodec.h"
#include "ScanningService/CoreScanning/BVRemovalDependency.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "SystemJunkModule/BVBrokenUpdatesScanTask.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"
#include "tests/fixtures/BVDiskSnapshot.h"

namespace {

void bundle(const BVTemporaryFolder& t, const std::string& relative, BVDictionary info) {
    t.fileWithText(relative + "/Contents/Info.plist", BVPlistCodec::encode(BVValue(std::move(info))));
}

}  // namespace

TEST(BVBrokenUpdates, StaleUpdatesOfJavaChromeAndViberInSourceOrder) {
    BVJunkFixture f({}, BVLayout::macos);
    const auto& t = f.kb.folder;
    std::string java = "home/Library/Application Support/Java";
    bundle(t, java + "/Java 8u351/JavaInstaller.app", {{"CFBundleIdentifier", BVValue("Oracle.MacJREInstaller")}});
    bundle(t, java + "/Other/Tool.app", {{"CFBundleIdentifier", BVValue("com.vendor.tool")}});
    t.symlink(java + "/Linked", t / (java + "/Java 8u351"));  // a link to an installer folder is not one
    std::string chrome = "root/Applications/Google Chrome.app";
    bundle(t, chrome, {{"CFBundleIdentifier", BVValue("com.google.Chrome")}, {"KSVersion", BVValue("120.0.6099.71")}});
    for (const char* v : {"119.0.6045.105", "120.0.6099.71", "121.0.1"}) t.file(chrome + "/Contents/Versions/" + v + "/blob", 4096);
    bundle(t, "root/Applications/Viber.app", {{"CFBundleIdentifier", BVValue("com.viber.osx")}, {"CFBundleShortVersionString", BVValue("21.2")}});
    std::string viber = "home/Library/Application Support/ViberPC";
    for (const char* v : {"21.2", "21.3.0", "20.9.1", "Settings"}) t.file(viber + "/" + v + "/data", 4096);

    auto env = f.environment();
    auto sources = BVBrokenUpdateSources::standard(env.paths, env.fileManager,
                                                   std::make_shared<BVBundleSystemInfo>(env.paths, env.fileManager));
    BVBrokenApplicationsUpdatesScanTask task(env, sources);
    auto result = task.scan();
    EXPECT_EQ(BVItemTexts(result), (std::vector<std::string>{t / (java + "/Java 8u351"),
                                                             t / (chrome + "/Contents/Versions/119.0.6045.105"),
                                                             t / (viber + "/20.9.1"), t / (viber + "/21.2")}));
    auto items = result->items().value_or(std::vector<BVEntityPtr>{});
    ASSERT_EQ(items.size(), 4u);
    auto first = std::dynamic_pointer_cast<BVBrokenUpdateModel>(items[0]);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->info().description(), "Java 8u351");
    EXPECT_TRUE(first->info().isPrefPane());
    EXPECT_TRUE(first->autoselected());
    // Chrome's old version waits for Chrome to quit; the others need nothing.
    auto chromeDependencies = items[1]->dependencies();
    ASSERT_EQ(chromeDependencies.size(), 1u);
    EXPECT_EQ(chromeDependencies[0]->applicationBundleID(), "com.google.Chrome");
    EXPECT_TRUE(items[2]->dependencies().empty());

    // Removing takes the update folders and nothing else.
    auto before = BVSnapshot(t.path());
    for (const auto& item : items) EXPECT_EQ(item->remove()->state(), BVRemovalStateSucceeded) << item->description();
    auto changed = BVChangedPaths(before, BVSnapshot(t.path()));
    std::vector<std::string> expected;
    for (const auto& item : items)
        for (const auto& [path, _] : before)
            if (path == BVEntityPath(item) || path.rfind(BVEntityPath(item) + "/", 0) == 0) expected.push_back(path);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(changed, expected);
}

TEST(BVBrokenUpdates, TheLinuxLayoutHasNoSources) {
    BVJunkFixture f;
    auto env = f.environment();
    EXPECT_TRUE(BVBrokenUpdateSources::standard(env.paths, env.fileManager, nullptr).empty());
}
