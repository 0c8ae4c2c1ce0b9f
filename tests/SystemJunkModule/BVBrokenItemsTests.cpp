// Broken items of System Junk on real files: login items and units whose programs are gone,
// preference files that do not parse in a judged format, and what their removal does.
#include <gtest/gtest.h>

#include "Foundation/BVPlistCodec.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "SystemJunkModule/BVBrokenPreferences.h"
#include "SystemJunkModule/BVBrokenStartupItemsScanTasks.h"
#include "SystemJunkModule/BVStartupItemModel.h"
#include "tests/OptimizationModule/BVOptimizationTestSupport.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"
#include "tests/fixtures/BVDiskSnapshot.h"
#include "tests/fixtures/BVStartupFakes.h"

TEST(BVBrokenStartupItems, LoginItemsAndUnitsWhoseProgramsAreGoneOnTheLinuxLayout) {
    BVJunkFixture f;
    const auto& t = f.kb.folder;
    t.fileWithText("root/usr/bin/present", "#!/bin/sh\n");
    std::string gone = t.fileWithText("home/.config/autostart/gone.desktop", "[Desktop Entry]\nType=Application\nName=Gone\nExec=/opt/gone %u\n");
    t.fileWithText("home/.config/autostart/fine.desktop", "[Desktop Entry]\nType=Application\nName=Fine\nExec=present\n");
    std::string garbled = t.fileWithText("home/.config/autostart/garbled.desktop", "not an entry\n");
    t.fileWithText("root/etc/xdg/autostart/bare.desktop", "[Desktop Entry]\nType=Application\nName=Bare\nExec=nowhere-on-path\n");
    std::string deadUnit = t.fileWithText("root/etc/systemd/system/dead.service", "[Service]\nExecStart=/usr/bin/absent\n");
    t.fileWithText("root/etc/systemd/system/fine.service", "[Service]\nExecStart=present --flag\n");
    t.fileWithText("root/etc/systemd/system/unknown.service", "[Service]\nExecStart=%t/tool\n");
    std::string noExec = t.fileWithText("home/.config/systemd/user/noexec.service", "[Unit]\nDescription=nothing to run\n");

    auto services = BVStartupServices::standard(f.environment().paths, f.environment().fileManager);
    auto compound = BVBrokenStartupItemsScanTask::task(f.environment(), services);
    EXPECT_EQ(compound->identifier(), "BVSystemJunkScanIdentifierBrokenStartupItems");
    auto result = compound->scan();
    // The system's entry whose bare program is on no PATH folder is broken too.
    EXPECT_EQ(BVItemTexts(result), (std::vector<std::string>{t / "root/etc/xdg/autostart/bare.desktop", gone, garbled, noExec, deadUnit}));

    // Removing the broken unit takes only its file; a user entry is deleted, a system one hidden.
    auto before = BVSnapshot(t.path());
    auto items = result->items().value_or(std::vector<BVEntityPtr>{});
    for (const auto& item : items) EXPECT_EQ(item->remove()->state(), BVRemovalStateSucceeded) << item->description();
    auto changed = BVChangedPaths(before, BVSnapshot(t.path()));
    EXPECT_EQ(changed, (std::vector<std::string>{t / "home/.config/autostart/bare.desktop", garbled, gone, noExec, deadUnit}));
    EXPECT_NE(BVReadText(t / "home/.config/autostart/bare.desktop").find("Hidden=true"), std::string::npos);
}

TEST(BVBrokenStartupItems, AFailedRemovalWithoutRightsIsCode103) {
    BVFakeStartupServices fakes;
    fakes.launchd->failing.insert("/etc/systemd/system/dead.service");
    auto model = std::make_shared<BVStartupItemModel>("/etc/systemd/system/dead.service", 4096, true, "dead.service",
                                                      BVStartupItemModel::LaunchAgent, BVValue(), fakes.loginItems, fakes.launchd, nullptr);
    auto result = model->remove();
    ASSERT_EQ(result->errors().size(), 1u);
    EXPECT_EQ(result->errors()[0].domain(), "BVStartupItemModelDomain");
    EXPECT_EQ(result->errors()[0].code(), 103);
    EXPECT_EQ(result->size(), 0u);
}

TEST(BVBrokenPreferences, OnlyJudgedFormatsThatDoNotParse) {
    struct Case {
        const char* name;
        std::string content;
        bool linuxBroken, macosBroken;
    };
    const std::vector<Case> cases = {
        {"bad.json", "{\"a\": ", true, false},
        {"good.json", "{\"a\": 1}", false, false},
        {"bad.plist", "<plist><dict><key>x</key>", true, true},
        {"good.plist", BVPlistCodec::encode(BVValue(BVDictionary{{"k", BVValue(1)}})), false, false},
        {"bad.desktop", "[Desktop Entry]\nno equals\n", true, false},
        {"empty.plist", "", false, false},
        {".hidden.plist", "garbage", false, false},
        {"app.plist.lockfile", "garbage", false, false},
        {"settings.ini", "[[[garbage", false, false},
        {"noextension", "{{{", false, false},
    };
    for (BVLayout layout : {BVLayout::linux, BVLayout::macos}) {
        BVJunkFixture f({}, layout);
        std::string folder = *f.environment().paths->userPreferences();
        std::vector<std::string> expected;
        for (const auto& c : cases) {
            f.kb.folder.fileWithText(folder.substr(f.kb.folder.path().size() + 1) + "/" + c.name, c.content);
            if (layout == BVLayout::linux ? c.linuxBroken : c.macosBroken) expected.push_back(folder + "/" + c.name);
        }
        std::sort(expected.begin(), expected.end());
        BVFakeStartupServices fakes;
        fakes.prefsd->defaultsDomains = layout == BVLayout::macos;
        BVBrokenPreferencesScanTask task(f.environment(), fakes.services());
        auto result = task.scan();
        EXPECT_EQ(BVItemTexts(result), expected) << BVPaths::layoutName(layout);

        // Removal: the defaults domain first and a daemon relaunch where the layout has them.
        fakes.runner->answer({"/usr/bin/defaults", "delete"}, 1);
        BVLogCapture log;
        auto items = result->items().value_or(std::vector<BVEntityPtr>{});
        for (const auto& item : items) EXPECT_EQ(item->remove()->state(), BVRemovalStateSucceeded);
        for (const auto& path : expected) EXPECT_FALSE(BVFileManager::defaultManager()->fileExistsAtPath(path));
        if (layout == BVLayout::macos) {
            EXPECT_EQ(fakes.runner->runs(), (std::vector<std::string>{"/usr/bin/defaults delete bad"}));
            EXPECT_EQ(fakes.prefsd->relaunchRequests, (std::vector<bool>{true}));
            EXPECT_NE(log.text().find("Failed to remove from defaults domain bad. Exit status: 1"), std::string::npos);
        } else {
            EXPECT_TRUE(fakes.runner->runs().empty());
        }
    }
}
