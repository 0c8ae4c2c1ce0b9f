// The optimization module: its scans on fakes and on real unit files, and the switch and
// removal of each kind of item, with the privileged fallback through the real agent in test mode.
#include <gtest/gtest.h>
#include <unistd.h>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVSystemdLaunchdManager.h"
#include "Foundation/BVUserDefaults.h"
#include "OptimizationModule/BVLaunchAgentModel.h"
#include "OptimizationModule/BVLaunchAgentsScanTask.h"
#include "OptimizationModule/BVLoginItemModels.h"
#include "OptimizationModule/BVLoginItemsScanTasks.h"
#include "OptimizationModule/BVOptimizationModule.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "ScanningService/CoreScanning/BVScanResult.h"
#include "tests/OptimizationModule/BVOptimizationTestSupport.h"
#include "tests/PrivilegedOperationsPerformer/BVAgentTestSupport.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"
#include "tests/fixtures/BVStartupFakes.h"

namespace {

std::vector<std::string> values(const BVScanResultPtr& result) {
    std::vector<std::string> out;
    for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{})) out.push_back(item->value()->description());
    return out;
}

BVInstalledApplication app(const std::string& url, const std::string& id, const std::string& helperID,
                           const std::string& volume = "/") {
    BVInstalledApplication a;
    a.url = url;
    a.bundleID = id;
    a.volumeURL = volume;
    if (!helperID.empty()) {
        a.loginItemInfo = BVValue(BVDictionary{{"CFBundleIdentifier", BVValue(helperID)}});
        a.loginItemBundleURL = url + "/Contents/Library/LoginItems/Helper.app";
    }
    return a;
}

// A performer on the agent environment that is refused (not installed; the dialog cancelled),
// or authorised with the agent running.
BVPrivilegedOperationsPerformerPtr performer(BVAgentEnvironment& env, bool authorised,
                                             const std::shared_ptr<BVScriptedAuthorization::Script>& script) {
    if (authorised) {
        env.install(::getuid());
        env.startInstalledAgent();
    } else {
        script->copyRights.push_back(errAuthorizationCanceled);
    }
    return BVPrivilegedOperationsPerformer::create(BVScriptedAuthorization::factory(script), env.configuration());
}

}  // namespace

TEST(BVOptimizationScans, LoginItemsAndHelpersInTheirManagersOrderWithoutIgnoredOnes) {
    BVJunkFixture fixture({BVRule(BVItemTypeBlack, "/apps/Ignored.app", 14), BVRule(BVItemTypeBlack, "com.example.ignored-id", 14),
                           BVRule(BVItemTypeBlack, "com.example.ignored.helper", 14)},
                          BVLayout::macos);
    BVFakeStartupServices fakes;
    fakes.loginItems->items = {{"/apps/B.app", "B", "/apps/B.app"}, {"/apps/Ignored.app", "I", ""},
                               {"/apps/ById.app", "ById", ""},      {"/apps/A.app", "A", "", true}};
    fakes.systemInfo->applications = {app("/apps/ById.app", "com.example.ignored-id", ""),
                                      app("/apps/One.app", "com.example.one", "com.example.shared.helper"),
                                      app("/apps/Two.app", "com.example.two", "com.example.shared.helper"),
                                      app("/Volumes/Ext/Three.app", "com.example.three", "com.example.three.helper", "/Volumes/Ext"),
                                      app("/apps/Four.app", "com.example.four", "com.example.ignored.helper"),
                                      app("/apps/Five.app", "com.example.five", "com.example.five.helper")};
    fakes.serviceManagement->enabled = {"com.example.five.helper"};
    auto tasks = BVOptimizationModule::scanTasks(fixture.environment(), fakes.services());
    ASSERT_EQ(tasks.size(), 2u);
    auto compound = std::dynamic_pointer_cast<BVCompoundScanTask>(tasks[0]);
    ASSERT_TRUE(compound);
    ASSERT_EQ(compound->tasks().size(), 2u);
    auto logins = compound->tasks()[0]->scan();
    EXPECT_EQ(values(logins), (std::vector<std::string>{"/apps/B.app", "/apps/A.app"}));
    auto a = std::dynamic_pointer_cast<BVLaunchServicesLoginItemModel>(logins->items()->at(1));
    EXPECT_FALSE(a->isEnabled());
    EXPECT_EQ(a->name(), "A");
    auto helpers = compound->tasks()[1]->scan();
    // One entity per helper identifier (the first application), none from another volume.
    EXPECT_EQ(values(helpers), (std::vector<std::string>{"com.example.shared.helper", "com.example.five.helper"}));
    auto five = std::dynamic_pointer_cast<BVServiceManagementLoginItemModel>(helpers->items()->at(1));
    EXPECT_TRUE(five->isEnabled());
    EXPECT_EQ(five->name(), "Five.app");

    // The linux layout has no helper registrations: the compound holds the login items only.
    BVJunkFixture linux;
    auto linuxTasks = BVOptimizationModule::scanTasks(linux.environment(), fakes.services(false));
    EXPECT_EQ(std::dynamic_pointer_cast<BVCompoundScanTask>(linuxTasks[0])->tasks().size(), 1u);
}

TEST(BVOptimizationScans, LaunchAgentsFromRealUnitFiles) {
    BVJunkFixture fixture({BVRule(BVItemTypeBlack, "/etc/systemd/system/ignored.service", 65)});
    const auto& t = fixture.kb.folder;
    t.fileWithText("root/usr/bin/present", "#!/bin/sh\n");
    std::string mine = t.fileWithText("home/.config/systemd/user/mine.service", "[Service]\nExecStart=present\n");
    t.symlink("home/.config/systemd/user/default.target.wants/mine.service", "../mine.service");
    std::string global = t.fileWithText("root/etc/systemd/user/global.service", "[Service]\nExecStart=/usr/bin/absent\n");
    t.fileWithText("root/etc/systemd/system/ignored.service", "[Service]\nExecStart=/usr/bin/present\n");
    t.fileWithText("root/etc/systemd/system/notes.txt", "not a unit");
    t.fileWithText("root/etc/systemd/system/binary.service", std::string("\0\1\2", 3));
    t.symlink("root/etc/systemd/system/alias.service", "/lib/systemd/system/real.service");
    auto services = BVOptimizationModule::standardServices(fixture.environment());
    auto task = BVLaunchAgentsScanTask::task(fixture.environment(), services);
    EXPECT_EQ(task->scanLocations(), (std::vector<std::string>{t / "home/.config/systemd/user", t / "root/etc/systemd/user",
                                                               t / "root/etc/systemd/system"}));
    auto result = task->scan();
    EXPECT_EQ(values(result), (std::vector<std::string>{mine, global}));
    auto first = std::dynamic_pointer_cast<BVLaunchAgentModel>(result->items()->at(0));
    ASSERT_TRUE(first->executable());
    EXPECT_EQ(first->executable()->url, t / "root/usr/bin/present");
    EXPECT_TRUE(first->executable()->isHelper);  // looked up by name
    EXPECT_TRUE(first->isEnabled());
    EXPECT_EQ(first->identifier(), "mine");
    auto second = std::dynamic_pointer_cast<BVLaunchAgentModel>(result->items()->at(1));
    EXPECT_FALSE(second->executable());  // the program is missing: still listed, without one
    EXPECT_FALSE(second->isEnabled());
    EXPECT_FALSE(second->autoselected());
    // Every file was counted, listed or not.
    EXPECT_EQ(std::dynamic_pointer_cast<BVComputableProgress>(task->progress())->completedUnitsCount(), 7u);
}

TEST(BVLaunchAgentModel, SwitchingWithoutRightsAndARefusedAgentKeepsTheStateAndSaysSo) {
    BVLogCapture log;
    BVAgentEnvironment env;
    auto script = std::make_shared<BVScriptedAuthorization::Script>();
    auto refused = performer(env, false, script);
    auto launchd = std::make_shared<BVFakeLaunchdManager>();
    std::string path = "/etc/systemd/system/sync.service";
    launchd->jobs[path].loaded = true;
    launchd->failing.insert(path);
    BVLaunchAgentModel agent(path, std::nullopt, false, refused, launchd);
    EXPECT_FALSE(agent.setEnabled(false, "Brenvik wants to switch off sync"));
    EXPECT_TRUE(agent.isEnabled());
    EXPECT_EQ(launchd->calls, (std::vector<std::string>{"disable " + path}));
    EXPECT_EQ(script->rightsAsked.size(), 1u);
    EXPECT_NE(log.text().find("[optimization] login item at " + path + " hasn't been disabled"), std::string::npos) << log.text();

    launchd->failing.clear();
    EXPECT_TRUE(agent.setEnabled(false, std::nullopt));
    EXPECT_FALSE(agent.isEnabled());
    EXPECT_TRUE(agent.setEnabled(true, std::nullopt));
    EXPECT_TRUE(agent.isEnabled());
    EXPECT_NE(log.text().find("[optimization] login item at " + path + " has been disabled"), std::string::npos);
    EXPECT_NE(log.text().find("[optimization] login item at " + path + " has been enable\n"), std::string::npos);
}

TEST(BVLaunchAgentModel, RemovalFallsBackToTheAgentAndFailsWithItsCodes) {
    BVLogCapture log;
    BVAgentEnvironment env;
    auto script = std::make_shared<BVScriptedAuthorization::Script>();
    auto agentPerformer = performer(env, true, script);
    ASSERT_TRUE(agentPerformer && agentPerformer->isAuthorized());
    std::string broken = env.folder().fileWithText("root/etc/systemd/system/broken.service", "[Service]\nExecStart=/gone\n");
    std::string other = env.folder().fileWithText("root/etc/systemd/system/other.service", "[Service]\nExecStart=/bin/true\n");
    auto launchd = std::make_shared<BVFakeLaunchdManager>();
    launchd->failing = {broken};
    auto model = std::make_shared<BVLaunchAgentModel>(broken, std::nullopt, false, agentPerformer, launchd);
    auto result = model->remove();
    EXPECT_EQ(result->state(), BVRemovalStateSucceeded);
    EXPECT_FALSE(BVFileManager::defaultManager()->fileExistsAtPath(broken));
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(other));  // only that file
    EXPECT_NE(log.text().find("[optimization] login item at " + broken + " has been removed"), std::string::npos);

    // The agent refuses what is not a unit in a unit folder: its error is the item's.
    std::string outside = env.folder().fileWithText("root/opt/outside.service", "[Service]\n");
    launchd->failing.insert(outside);
    auto refusedByAgent = std::make_shared<BVLaunchAgentModel>(outside, std::nullopt, false, agentPerformer, launchd)->remove();
    ASSERT_EQ(refusedByAgent->errors().size(), 1u);
    EXPECT_EQ(refusedByAgent->errors()[0].domain(), "BVPrivilegedAgentErrorDomain");
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(outside));

    // Without rights: 101, and nothing changed.
    BVAgentEnvironment other2;
    auto noScript = std::make_shared<BVScriptedAuthorization::Script>();
    auto refused = performer(other2, false, noScript);
    auto unauthorised = std::make_shared<BVLaunchAgentModel>(other, std::nullopt, false, refused, launchd);
    launchd->failing.insert(other);
    auto failed = unauthorised->remove();
    ASSERT_EQ(failed->errors().size(), 1u);
    EXPECT_EQ(failed->errors()[0].domain(), "kBVLaunchAgentModel");
    EXPECT_EQ(failed->errors()[0].code(), 101);
    EXPECT_EQ(failed->size(), 0u);
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(other));
    EXPECT_NE(log.text().find("[optimization] login item at " + other + " hasn't been removed with error "), std::string::npos);

    // The debug switches.
    BVTemporaryFolder prefs;
    auto defaults = std::make_shared<BVUserDefaults>(prefs / "defaults.plist");
    auto debug = std::make_shared<BVLaunchAgentModel>(other, std::nullopt, false, refused, launchd, defaults);
    ASSERT_TRUE(defaults->setObject("DebugModeFakeRemove", BVValue(true)));
    EXPECT_EQ(debug->remove()->state(), BVRemovalStateSucceeded);
    ASSERT_TRUE(defaults->setObject("DebugModeAllFailedRemove", BVValue(true)));
    auto allFailed = debug->remove();
    ASSERT_EQ(allFailed->errors().size(), 1u);
    EXPECT_EQ(allFailed->errors()[0].code(), -100);
    EXPECT_EQ(allFailed->errors()[0].localizedDescription(), "Couldn't remove " + other + ", even with administrator rights.");
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(other));
}

TEST(BVLoginItemModels, SwitchingAndRemovalGoThroughTheirManagersAndLogWhatHappened) {
    BVLogCapture log;
    BVJunkFixture fixture;  // the shared paths: the home is written "~" in the log
    auto manager = std::make_shared<BVFakeLoginItemsManager>();
    std::string item = fixture.home() + "/.config/autostart/clock.desktop";
    manager->items = {{item, "Clock", "/usr/bin/clock"}};
    auto model = std::make_shared<BVLaunchServicesLoginItemModel>(item, manager);
    EXPECT_TRUE(model->isEnabled());
    EXPECT_TRUE(model->setIsEnabled(false));
    EXPECT_FALSE(model->isEnabled());
    manager->failing.insert(item);
    EXPECT_FALSE(model->setIsEnabled(true));
    EXPECT_FALSE(model->isEnabled());  // what the manager reports
    auto failed = model->remove();
    EXPECT_EQ(failed->state(), BVRemovalStateFailed);
    EXPECT_NE(log.text().find("[optimization] login item at ~/.config/autostart/clock.desktop coudn't be removed with error refused"),
              std::string::npos) << log.text();
    manager->failing.clear();
    EXPECT_EQ(model->remove()->state(), BVRemovalStateSucceeded);
    EXPECT_NE(log.text().find("[optimization] login item at ~/.config/autostart/clock.desktop has been removed"), std::string::npos);
    EXPECT_EQ(manager->calls, (std::vector<std::string>{"set " + item + " off", "set " + item + " on", "remove " + item, "remove " + item}));

    auto sm = std::make_shared<BVFakeServiceManagement>();
    std::string helperURL = fixture.home() + "/Applications/Five.app/Contents/Library/LoginItems/Helper.app";
    sm->helperIdentifiers[helperURL] = "com.example.five.helper";
    sm->failing.insert(helperURL);
    BVServiceManagementLoginItemModel helper("com.example.five.helper", fixture.home() + "/Applications/Five.app", helperURL, sm);
    EXPECT_FALSE(helper.setIsEnabled(true));
    EXPECT_FALSE(helper.isEnabled());  // stored only when the facility agreed
    EXPECT_NE(log.text().find("[optimization] set login item at ~/Applications/Five.app/Contents/Library/LoginItems/Helper.app enabled: 1"),
              std::string::npos);
    sm->failing.clear();
    EXPECT_TRUE(helper.setIsEnabled(true));
    EXPECT_TRUE(helper.isEnabled());
    EXPECT_FALSE(helper.isRemovable());
}
