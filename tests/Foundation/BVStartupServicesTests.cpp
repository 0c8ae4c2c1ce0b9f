// The start-up services on real files in fixture homes of both layouts: autostart entries
// (overrides, switching, removal, desktops, files that do not parse), systemd units without a
// running manager (state from the .wants links, programs, removal) and with the real user
// manager where one runs, and the macos layout's tools played by a scripted runner.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLaunchctlLaunchdManager.h"
#include "Foundation/BVMacLoginItemsManager.h"
#include "Foundation/BVPlistCodec.h"
#include "Foundation/BVProgramLocator.h"
#include "Foundation/BVSystemInfo.h"
#include "Foundation/BVSystemdLaunchdManager.h"
#include "Foundation/BVXDGAutostartManager.h"
#include "tests/fixtures/BVDiskSnapshot.h"
#include "tests/fixtures/BVStartupFakes.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

struct Fixture {
    BVTemporaryFolder t;
    std::shared_ptr<const BVPaths> paths;
    explicit Fixture(BVLayout layout = BVLayout::linux) {
        t.folder("home");
        t.folder("root");
        paths = std::make_shared<BVPaths>(layout, t / "home", t / "root");
    }
    std::string executable(const std::string& relative) const {
        std::string path = t.fileWithText(relative, "#!/bin/sh\n");
        ::chmod(path.c_str(), 0755);
        return path;
    }
};

BVXDGAutostartManager::Options xfce() {
    BVXDGAutostartManager::Options o;
    o.desktops = {"XFCE"};
    o.locale = "de_DE.UTF-8";
    o.programFolders = {"/usr/bin"};
    o.configurationFolders = {"/etc/xdg"};
    return o;
}

const char* kClock = "[Desktop Entry]\nType=Application\nName=Clock\nName[de]=Uhr\nExec=clock --show %u\n";

}  // namespace

TEST(BVXDGAutostartManager, UserEntriesOverrideSystemOnesAndSwitchingFollowsTheAutostartRules) {
    Fixture f;
    f.executable("root/usr/bin/clock");
    std::string system = f.t.fileWithText("root/etc/xdg/autostart/clock.desktop", kClock);
    std::string user = f.t.fileWithText("home/.config/autostart/clock.desktop", std::string(kClock) + "Hidden=true\n");
    std::string gnome = f.t.fileWithText("root/etc/xdg/autostart/gnome-only.desktop",
                                         "[Desktop Entry]\nType=Application\nName=Panel\nExec=/usr/bin/panel\nOnlyShowIn=GNOME;\n");
    std::string broken = f.t.fileWithText("root/etc/xdg/autostart/broken.desktop", "[Desktop Entry]\nthis is not an entry\n");
    std::string mine = f.t.fileWithText("home/.config/autostart/mine.desktop",
                                        "[Desktop Entry]\nType=Application\nName=Mine\nExec=\"" + (f.t / "home/My Tools/run") +
                                            "\" --x %F\nX-GNOME-Autostart-enabled=true\n");
    BVXDGAutostartManager m(f.paths, BVFileManager::defaultManager(), xfce());

    EXPECT_EQ(m.validLoginItemsList(), (std::vector<std::string>{user, gnome, mine}));
    ASSERT_EQ(m.invalidLoginItems().size(), 1u);
    EXPECT_EQ(m.invalidLoginItems()[0].path, broken);
    EXPECT_NE(m.invalidLoginItems()[0].reason.find("line 2"), std::string::npos);
    EXPECT_TRUE(m.loginItemIsDisabled(user));   // the user's copy hides the system's entry
    EXPECT_TRUE(m.loginItemIsDisabled(gnome));  // not for the desktop in use
    EXPECT_FALSE(m.loginItemIsDisabled(mine));
    EXPECT_EQ(m.displayNameAtPath(user), "Uhr");
    auto infos = m.loginItemInfos();
    ASSERT_EQ(infos.size(), 3u);
    EXPECT_EQ(infos[0][BVLoginItemURLKey].stringValue(), f.t / "root/usr/bin/clock");
    EXPECT_EQ(infos[2][BVLoginItemURLKey].stringValue(), f.t / "home/My Tools/run");

    // On again: the copy said nothing but Hidden, so it goes and the system's entry starts.
    std::string systemText = BVReadText(system);
    BVError error;
    ASSERT_TRUE(m.setLoginItemAtPath(user, true, &error)) << error.localizedDescription();
    EXPECT_FALSE(BVFileManager::defaultManager()->fileExistsAtPath(user));
    EXPECT_FALSE(m.loginItemIsDisabled(system));
    // Off again: a user copy with Hidden=true; the system's file is never written.
    ASSERT_TRUE(m.setLoginItemAtPath(system, false, &error));
    EXPECT_EQ(BVReadText(user), std::string(kClock) + "Hidden=true\n");
    EXPECT_EQ(BVReadText(system), systemText);

    // A copy the user changed keeps its changes when switched on.
    f.t.fileWithText("home/.config/autostart/clock.desktop",
                     "[Desktop Entry]\nType=Application\nName=Clock\nExec=clock --quiet\nX-GNOME-Autostart-enabled=false\n");
    ASSERT_TRUE(m.setLoginItemAtPath(user, true, &error));
    EXPECT_EQ(BVReadText(user), "[Desktop Entry]\nType=Application\nName=Clock\nExec=clock --quiet\nX-GNOME-Autostart-enabled=true\n");

    // A desktop restriction is not switched over; nothing is written.
    EXPECT_FALSE(m.setLoginItemAtPath(gnome, true, &error));
    EXPECT_EQ(error.code(), BVStartupServicesErrorRestricted);
    EXPECT_FALSE(BVFileManager::defaultManager()->fileExistsAtPath(f.t / "home/.config/autostart/gnome-only.desktop"));
    EXPECT_FALSE(m.setLoginItemAtPath(broken, false, &error));
    EXPECT_EQ(error.code(), BVStartupServicesErrorNotParsed);

    // Removing: the user's own entry is deleted; a system entry is hidden by a user copy.
    ASSERT_TRUE(m.removeLoginItemAtPath(mine, &error));
    EXPECT_FALSE(BVFileManager::defaultManager()->fileExistsAtPath(mine));
    ASSERT_TRUE(m.removeLoginItemAtPath(gnome, &error));
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(gnome));
    EXPECT_NE(BVReadText(f.t / "home/.config/autostart/gnome-only.desktop").find("Hidden=true"), std::string::npos);
    EXPECT_FALSE(m.removeLoginItemAtPath(f.t / "home/.config/autostart/none.desktop", &error));
    EXPECT_EQ(error.code(), BVStartupServicesErrorUnknownItem);
}

TEST(BVXDGAutostartManager, ProgramsOfExecAndTryExec) {
    Fixture f;
    f.executable("root/usr/bin/present");
    struct Case {
        const char* lines;
        std::optional<std::string> program;  // relative to the fixture when it starts with "root/" or "home/"
    };
    const std::vector<Case> cases = {
        {"Exec=present %U", "root/usr/bin/present"},
        {"Exec=/usr/bin/present --x", "root/usr/bin/present"},
        {"Exec=absent-tool", "absent-tool"},
        {"Exec=/usr/bin/absent", "root/usr/bin/absent"},
        {"TryExec=present\nExec=/opt/other", "root/usr/bin/present"},
        {"Exec=\"/opt/with \\\\\"quote\\\\\" and space/run\" -a", "root/opt/with \"quote\" and space/run"},
        {"Exec=\\s%f", std::nullopt},
        {"Name=No exec at all", std::nullopt},
    };
    for (const auto& c : cases) {
        f.t.fileWithText("home/.config/autostart/case.desktop", std::string("[Desktop Entry]\nType=Application\n") + c.lines + "\n");
        BVXDGAutostartManager m(f.paths, BVFileManager::defaultManager(), xfce());
        auto entry = BVDesktopEntry::parse(BVReadText(f.t / "home/.config/autostart/case.desktop"));
        ASSERT_TRUE(entry) << c.lines;
        std::optional<std::string> expected = c.program;
        if (expected && (expected->rfind("root/", 0) == 0 || expected->rfind("home/", 0) == 0)) expected = f.t / *expected;
        EXPECT_EQ(m.programOf(*entry), expected) << c.lines;
    }
}

TEST(BVSystemdLaunchdManager, WithoutARunningManagerStateComesFromTheWantsLinksAndSwitchingIsRefused) {
    Fixture f;
    f.executable("home/bin/sync");
    std::string sync = f.t.fileWithText("home/.config/systemd/user/sync.service",
                                        "[Service]\nExecStart=%h/bin/sync\n[Install]\nWantedBy=default.target\n");
    f.t.symlink("home/.config/systemd/user/default.target.wants/sync.service", "../sync.service");
    std::string global = f.t.fileWithText("root/etc/systemd/user/global.service", "[Service]\nExecStart=tool\n");
    std::string gone = f.t.fileWithText("root/etc/systemd/system/gone.service", "[Service]\nExecStart=/usr/local/bin/gone\n");
    f.t.symlink("root/etc/systemd/system/multi-user.target.wants/gone.service", "/etc/systemd/system/gone.service");
    f.t.fileWithText("root/etc/systemd/system/other.service", "[Service]\nExecStart=/bin/true\n");
    f.t.symlink("root/etc/systemd/system/multi-user.target.wants/other.service", "/etc/systemd/system/other.service");
    f.t.symlink("root/etc/systemd/system/alias.service", "/lib/systemd/system/real.service");
    f.t.fileWithText("home/.config/systemd/user/masked.service", "[Service]\nExecStart=/bin/true\n");
    f.t.symlink("home/.config/systemd/user/default.target.wants/masked.service", "../masked.service");

    auto runner = std::make_shared<BVScriptedTaskRunner>();
    BVSystemdLaunchdManager m(f.paths, BVFileManager::defaultManager(), runner);
    EXPECT_FALSE(m.managers().user);  // a fixture home is never the running manager's
    EXPECT_FALSE(m.managers().system);
    EXPECT_TRUE(m.isLoadedLaunchAgentWithConfigPath(sync));
    EXPECT_TRUE(m.isLoadedLaunchAgentWithConfigPath(gone));
    EXPECT_FALSE(m.isLoadedLaunchAgentWithConfigPath(global));
    EXPECT_EQ(m.stateOfAgentAtPath(sync).running, std::nullopt);
    BVBundleSystemInfo info(f.paths, BVFileManager::defaultManager());
    EXPECT_EQ(info.allLaunchFiles(), (std::vector<std::string>{f.t / "home/.config/systemd/user/masked.service", sync, global,
                                                               gone, f.t / "root/etc/systemd/system/other.service"}));

    auto before = BVSnapshot(f.t.path());
    EXPECT_FALSE(m.disableAgentAtPath(sync));
    EXPECT_EQ(m.lastError().code(), BVStartupServicesErrorNoServiceManager);
    EXPECT_FALSE(m.enableAgentAtPath(global));
    EXPECT_TRUE(BVChangedPaths(before, BVSnapshot(f.t.path())).empty());
    EXPECT_TRUE(runner->runs().empty());  // systemctl was never asked about a fixture

    // Removing the broken one takes its file and its own enablement link, nothing else.
    ASSERT_TRUE(m.removeAgentAtPath(gone)) << m.lastError().localizedDescription();
    auto changed = BVChangedPaths(before, BVSnapshot(f.t.path()));
    EXPECT_EQ(changed, (std::vector<std::string>{gone, f.t / "root/etc/systemd/system/multi-user.target.wants/gone.service"}));
}

TEST(BVSystemdLaunchdManager, ProgramLines) {
    Fixture f;
    f.executable("root/usr/bin/present");
    f.executable("root/opt/bin/only-here");
    f.executable("root/opt/My App/run");
    f.executable("home/bin/mine");
    struct Case {
        const char* service;
        const char* dropIn;
        std::optional<std::string> program;  // relative to the fixture
        bool accurate;
        bool unknown;
    };
    const std::vector<Case> cases = {
        {"ExecStart=/usr/bin/present --a", nullptr, "root/usr/bin/present", true, false},
        {"ExecStart=present --a", nullptr, "root/usr/bin/present", false, false},
        {"ExecStart=only-here", nullptr, std::nullopt, false, false},
        {"Environment=PATH=/opt/bin\nExecStart=only-here", nullptr, "root/opt/bin/only-here", false, false},
        {"ExecStart=\"/opt/My App/run\" --x", nullptr, "root/opt/My App/run", true, false},
        {"ExecStart=-@+/usr/bin/present argv0", nullptr, "root/usr/bin/present", true, false},
        {"ExecStart=/usr/bin/absent", nullptr, std::nullopt, true, false},
        {"ExecStart=%h/bin/mine", nullptr, "home/bin/mine", true, false},
        {"ExecStart=%t/runtime-tool", nullptr, std::nullopt, false, true},
        {"ExecStart=/usr/bin/absent", "[Service]\nExecStart=\nExecStart=/usr/bin/present\n", "root/usr/bin/present", true, false},
        {"Type=oneshot", nullptr, std::nullopt, false, false},
        {"Type=oneshot\nExecStop=/usr/bin/present", nullptr, std::nullopt, false, true},
    };
    auto runner = std::make_shared<BVScriptedTaskRunner>();
    for (const auto& c : cases) {
        std::string unit = f.t.fileWithText("home/.config/systemd/user/case.service", std::string("[Service]\n") + c.service + "\n");
        ::unlink((f.t / "home/.config/systemd/user/case.service.d/override.conf").c_str());
        if (c.dropIn) f.t.fileWithText("home/.config/systemd/user/case.service.d/override.conf", c.dropIn);
        BVSystemdLaunchdManager m(f.paths, BVFileManager::defaultManager(), runner, BVSystemdLaunchdManager::Managers{});
        bool accurate = !c.accurate;
        auto program = m.startupApplicationPathFor(unit, accurate);
        EXPECT_EQ(program, c.program ? std::optional<std::string>(f.t / *c.program) : std::nullopt) << c.service;
        if (program) {
            EXPECT_EQ(accurate, c.accurate) << c.service;
        }
        auto job = m.jobConfigurationAtPath(unit, nullptr);
        ASSERT_TRUE(job) << c.service;
        EXPECT_EQ((*job)[BVJobProgramUnknownKey].boolValue(), c.unknown) << c.service;
    }
}

TEST(BVSystemdLaunchdManager, TheRealUserManager) {
    const char* home = std::getenv("HOME");
    auto paths = std::make_shared<BVPaths>(BVLayout::linux, BVFileIO::lexicallyNormalPath(home ? home : "/").value_or("/"));
    BVSystemdLaunchdManager m(paths, BVFileManager::defaultManager(), BVTaskRunner::sharedRunner());
    if (!m.managers().user)
        GTEST_SKIP() << "No systemd user manager answers here (`systemctl --user show-environment` fails, or HOME is not "
                        "this user's home): the real systemctl --user is not driven.";
    std::string name = "brenvik-test-" + std::to_string(::getpid()) + ".service";
    std::string unit = BVFileIO::appendPathComponent(*paths->launchAgentsPath(), name);
    ASSERT_TRUE(BVFileIO::createDirectories(*paths->launchAgentsPath()));
    ASSERT_TRUE(BVFileIO::writeFileAtomically(unit, "[Service]\nExecStart=/bin/sleep 600\n[Install]\nWantedBy=default.target\n"));
    BVTaskRequest reload;
    reload.executable = "systemctl";
    reload.arguments = {"--user", "daemon-reload"};
    BVTaskRunner::sharedRunner()->run(reload);
    EXPECT_FALSE(m.isLoadedLaunchAgentWithConfigPath(unit));
    ASSERT_TRUE(m.enableAgentAtPath(unit)) << m.lastError().localizedDescription();
    BVJobState on = m.stateOfAgentAtPath(unit);
    EXPECT_TRUE(on.enabled) << on.detail;
    EXPECT_EQ(on.running, true) << on.detail;
    ASSERT_TRUE(m.disableAgentAtPath(unit)) << m.lastError().localizedDescription();
    EXPECT_FALSE(m.isLoadedLaunchAgentWithConfigPath(unit));
    ASSERT_TRUE(m.removeAgentAtPath(unit)) << m.lastError().localizedDescription();
    EXPECT_FALSE(BVFileManager::defaultManager()->fileExistsAtPath(unit));
}

TEST(BVLaunchctlLaunchdManager, JobsOfTheMacosLayoutWithLaunchctlPlayed) {
    Fixture f(BVLayout::macos);
    f.executable("root/Applications/Ex.app/Contents/MacOS/ex");
    std::string job = f.t / "home/Library/LaunchAgents/com.example.agent.plist";
    f.t.folder("home/Library/LaunchAgents");
    ASSERT_TRUE(BVPlistCodec::encodeToFile(
        BVValue(BVDictionary{{"Label", BVValue("com.example.agent")},
                             {"ProgramArguments", BVValue(BVArray{BVValue("/Applications/Ex.app/Contents/MacOS/ex")})}}),
        job, BVPlistCodec::Format::XML));
    std::string relative = f.t / "home/Library/LaunchAgents/com.example.relative.plist";
    ASSERT_TRUE(BVPlistCodec::encodeToFile(
        BVValue(BVDictionary{{"Program", BVValue("bin/tool")}, {"WorkingDirectory", BVValue("~/Tools")}, {"Disabled", BVValue(true)}}),
        relative, BVPlistCodec::Format::Binary));

    auto runner = std::make_shared<BVScriptedTaskRunner>();
    runner->answer({"/bin/launchctl", "version"}, 0);
    runner->answer({"/bin/launchctl", "list", "com.example.agent"}, 0, "{\n\t\"PID\" = 412;\n\t\"Label\" = \"com.example.agent\";\n};\n");
    runner->answer({"/bin/launchctl", "list"}, 113);
    runner->answer({"/bin/launchctl", "unload"}, 0);
    runner->answer({"/usr/bin/whereis", "tool"}, 0, "/usr/local/bin/tool\n");
    BVLaunchctlLaunchdManager live(f.paths, BVFileManager::defaultManager(), runner, true);
    BVJobState state = live.stateOfAgentAtPath(job);
    EXPECT_TRUE(state.enabled);
    EXPECT_EQ(state.running, true);
    EXPECT_FALSE(live.isLoadedLaunchAgentWithConfigPath(relative));
    bool accurate = false;
    EXPECT_EQ(live.startupApplicationPathFor(job, accurate), f.t / "root/Applications/Ex.app/Contents/MacOS/ex");
    EXPECT_TRUE(accurate);  // given as a path, though as the first of ProgramArguments
    EXPECT_EQ(live.programOf(*live.jobConfigurationAtPath(relative, nullptr)), f.t / "home/Tools/bin/tool");
    EXPECT_EQ(live.lookUpProgram("tool", BVValue()), "/usr/local/bin/tool");
    EXPECT_EQ(live.lookUpProgram("nowhere", BVValue()), std::nullopt);
    ASSERT_TRUE(live.disableAgentAtPath(job));
    EXPECT_EQ(runner->runs().back(), "/bin/launchctl unload -w " + job);

    // Where launchctl may not run, the job's own Disabled key tells, and switching is refused.
    auto quiet = std::make_shared<BVScriptedTaskRunner>();
    BVLaunchctlLaunchdManager fixture(f.paths, BVFileManager::defaultManager(), quiet);
    EXPECT_TRUE(fixture.isLoadedLaunchAgentWithConfigPath(job));
    EXPECT_FALSE(fixture.isLoadedLaunchAgentWithConfigPath(relative));
    EXPECT_FALSE(fixture.enableAgentAtPath(relative));
    EXPECT_EQ(fixture.lastError().code(), BVStartupServicesErrorNoServiceManager);
    EXPECT_TRUE(quiet->runs().empty());
    std::string notAJob = f.t.fileWithText("home/Library/LaunchAgents/broken.plist", "<plist><dict><key>");
    BVError error;
    EXPECT_FALSE(fixture.jobConfigurationAtPath(notAJob, &error));
    EXPECT_EQ(error.code(), BVStartupServicesErrorNotParsed);
}

TEST(BVMacLoginItemsManager, TheLoginItemListWithTheScriptingToolPlayed) {
    Fixture f(BVLayout::macos);
    f.t.folder("home/Library/Preferences");
    auto runner = std::make_shared<BVScriptedTaskRunner>();
    const std::vector<std::string> list = {"/usr/bin/osascript", "-e",
                                           "tell application \"System Events\" to get the path of every login item"};
    runner->answer(list, 0, "/Applications/A.app, /Applications/B, C.app\n");
    runner->answer({"/usr/bin/osascript", "-e", "tell application \"System Events\" to delete login item \"B, C\""}, 0);
    BVMacLoginItemsManager m(f.paths, runner, true);
    EXPECT_EQ(m.validLoginItemsList(), (std::vector<std::string>{"/Applications/A.app", "/Applications/B, C.app"}));
    BVError error;
    ASSERT_TRUE(m.setLoginItemAtPath("/Applications/B, C.app", false, &error)) << error.localizedDescription();
    runner->answer(list, 0, "/Applications/A.app\n");
    // Off, and still listed so that it can be switched on again.
    EXPECT_EQ(m.validLoginItemsList(), (std::vector<std::string>{"/Applications/A.app", "/Applications/B, C.app"}));
    EXPECT_TRUE(m.loginItemIsDisabled("/Applications/B, C.app"));
    EXPECT_EQ(m.displayNameAtPath("/Applications/B, C.app"), "B, C");

    BVMacLoginItemsManager fixture(f.paths, std::make_shared<BVScriptedTaskRunner>());
    EXPECT_FALSE(fixture.setLoginItemAtPath("/Applications/A.app", false, &error));
    EXPECT_EQ(error.code(), BVStartupServicesErrorNoServiceManager);
}

TEST(BVBundleSystemInfo, ApplicationsTheirHelpersAndVolumes) {
    Fixture f(BVLayout::macos);
    auto bundle = [&](const std::string& relative, const std::string& identifier) {
        f.t.folder(relative + "/Contents");
        ASSERT_TRUE(BVPlistCodec::encodeToFile(BVValue(BVDictionary{{"CFBundleIdentifier", BVValue(identifier)},
                                                                    {"CFBundleShortVersionString", BVValue("2.1")}}),
                                               f.t / (relative + "/Contents/Info.plist"), BVPlistCodec::Format::XML));
    };
    bundle("root/Applications/Ex.app", "com.example.ex");
    bundle("root/Applications/Ex.app/Contents/Library/LoginItems/ExHelper.app", "com.example.ex.helper");
    bundle("root/Applications/Utilities/Tool.app", "com.example.tool");
    bundle("root/Volumes/External/Applications/Ex.app", "com.example.ex");
    f.t.folder("root/Library/LaunchDaemons");
    f.t.fileWithText("root/Library/LaunchDaemons/com.example.daemon.plist", "<plist/>");
    f.t.symlink("root/Library/LaunchDaemons/com.example.link.plist", "com.example.daemon.plist");
    BVBundleSystemInfo info(f.paths, BVFileManager::defaultManager());
    auto apps = info.applicationsWithBundleIdentifier("com.example.ex");
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].volumeURL, "/");
    EXPECT_EQ(apps[0].loginItemBundleURL, f.t / "root/Applications/Ex.app/Contents/Library/LoginItems/ExHelper.app");
    EXPECT_EQ((*apps[0].loginItemInfo)["CFBundleIdentifier"].stringValue(), "com.example.ex.helper");
    EXPECT_EQ(apps[1].volumeURL, f.t / "root/Volumes/External");
    EXPECT_EQ(info.applicationsWithBundleIdentifier("com.example.tool").size(), 1u);
    EXPECT_EQ(info.allLaunchFiles(), (std::vector<std::string>{f.t / "root/Library/LaunchDaemons/com.example.daemon.plist"}));
}
