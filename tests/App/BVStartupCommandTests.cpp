// `brenvik startup` end to end on a linux fixture home and root: the list (text and JSON), an
// unknown item with its close matches, switching an autostart entry, a unit that cannot be
// switched without a service manager, and removal.
#include <gtest/gtest.h>

#include "Foundation/BVFileManager.h"
#include "Foundation/BVJSONCodec.h"
#include "tests/fixtures/BVCommandRun.h"
#include "tests/fixtures/BVStartedProcess.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {
BVCommandRun startup(std::vector<std::string> arguments, const BVTemporaryFolder& t) {
    arguments.insert(arguments.begin(), "startup");
    arguments.insert(arguments.end(), {"--home", t / "home", "--root", t / "root", "--layout", "linux", "--no-progress"});
    return BVRunBrenvik(arguments);
}
}  // namespace

TEST(BrenvikStartup, ListSwitchAndRemove) {
    BVTemporaryFolder t;
    t.fileWithText("root/usr/bin/clock", "#!/bin/sh\n");
    std::string system = t.fileWithText("root/etc/xdg/autostart/clock.desktop", "[Desktop Entry]\nType=Application\nName=Clock\nExec=/usr/bin/clock\n");
    std::string gone = t.fileWithText("home/.config/autostart/gone.desktop", "[Desktop Entry]\nType=Application\nName=Gone\nExec=/opt/gone\n");
    std::string unit = t.fileWithText("root/etc/systemd/system/sync.service", "[Service]\nExecStart=/usr/bin/clock\n");
    t.symlink("root/etc/systemd/system/multi-user.target.wants/sync.service", "/etc/systemd/system/sync.service");

    BVCommandRun list = startup({"list", "--json"}, t);
    ASSERT_EQ(list.status, 0) << list.err;
    auto doc = BVJSONCodec::decode(list.out);
    ASSERT_TRUE(doc) << list.out;
    const auto& items = (*doc)["items"].arrayValue();
    ASSERT_EQ(items.size(), 3u) << list.out;
    EXPECT_EQ(items[0]["name"].stringValue(), "Clock");
    EXPECT_TRUE(items[0]["programExists"].boolValue());
    EXPECT_EQ(items[1]["name"].stringValue(), "Gone");
    EXPECT_FALSE(items[1]["programExists"].boolValue());
    EXPECT_EQ(items[2]["kind"].stringValue(), "launch daemon");
    EXPECT_TRUE(items[2]["enabled"].boolValue());  // from its .wants link

    BVCommandRun unknown = startup({"disable", "Clok"}, t);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("Clock"), std::string::npos) << unknown.err;

    EXPECT_EQ(startup({"disable", "Clock"}, t).status, 0);
    EXPECT_NE(BVReadText(t / "home/.config/autostart/clock.desktop").find("Hidden=true"), std::string::npos);
    EXPECT_EQ(startup({"enable", system}, t).status, 0);
    EXPECT_FALSE(BVFileManager::defaultManager()->fileExistsAtPath(t / "home/.config/autostart/clock.desktop"));

    BVCommandRun unit1 = startup({"disable", "sync"}, t);
    EXPECT_EQ(unit1.status, 1);  // no service manager runs for a fixture: said, not pretended
    EXPECT_NE(unit1.err.find("left as it was"), std::string::npos) << unit1.err;

    std::vector<std::string> removeGone{"startup", "remove", "Gone", "--home", t / "home", "--root", t / "root", "--layout", "linux"};
    EXPECT_EQ(BVRunAtTerminal(BRENVIK_BINARY, removeGone, "n\n").status, 1);  // declined
    EXPECT_EQ(BVRunBrenvik(removeGone).status, 2);                           // no one to ask
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(gone));
    EXPECT_EQ(startup({"remove", "~/.config/autostart/gone.desktop", "--yes"}, t).status, 0);
    EXPECT_FALSE(BVFileManager::defaultManager()->fileExistsAtPath(gone));
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(unit));
}
