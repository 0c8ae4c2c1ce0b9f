// The brenvik command end to end: exit statuses, JSON on standard output only, defaults.
#include <gtest/gtest.h>

#include "Foundation/BVJSONCodec.h"
#include "Foundation/BVPlistCodec.h"
#include "tests/fixtures/BVTemporaryFolder.h"
#include "tests/fixtures/BVCommandRun.h"

namespace {

using CommandRun = BVCommandRun;

CommandRun brenvik(const std::vector<std::string>& arguments) {
    return BVRunBrenvik(arguments);
}

}  // namespace

TEST(BrenvikCommand, ModulesAndSmartScanPrintOneJSONDocument) {
    BVTemporaryFolder home;
    for (const auto& command : std::vector<std::vector<std::string>>{
             {"modules", "--json"}, {"smart-scan", "--json", "--log-level", "debug"}}) {
        auto args = command;
        args.insert(args.end(), {"--home", home.path(), "--no-progress"});
        CommandRun r = brenvik(args);
        EXPECT_EQ(r.status, 0) << r.err;
        std::string error;
        auto doc = BVJSONCodec::decode(r.out, &error);
        ASSERT_TRUE(doc) << command[0] << ": " << error << "\n" << r.out;
        if (command[0] == "modules") {
            EXPECT_TRUE((*doc)["modules"].isArray());
        } else {
            const auto& sections = (*doc)["sections"].arrayValue();
            ASSERT_EQ(sections.size(), 3u);
            EXPECT_EQ(sections[0]["section"].stringValue(), "cleanup");
            EXPECT_EQ(sections[2]["section"].stringValue(), "speed");
        }
    }
    // The log went to the fixture home's Logs folder, not to standard output.
    EXPECT_FALSE(BVReadText(home / ".local/state/com.quillon.Brenvik4/Brenvik.log").empty());
}

TEST(BrenvikCommand, BadInputGivesUsageStatus) {
    BVTemporaryFolder home;
    std::string file = home.file("not-a-folder");
    const std::vector<std::vector<std::string>> cases = {
        {"scan", "no-such-module", "--home", home.path()},
        {"scan"},
        {"frobnicate"},
        {},
        {"modules", "--home", file},
        {"modules", "--home", home.path(), "--root", home / "missing"},
        {"modules", "--layout", "windows"},
        {"defaults", "write", "--home", home.path()},
        {"defaults", "write", "K", "x", "--type", "int", "--home", home.path()},
    };
    for (const auto& args : cases) {
        CommandRun r = brenvik(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "(none)" : args[0]) << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_FALSE(r.err.empty());
    }
}

TEST(BrenvikCommand, DefaultsWriteReadAndDeleteInTheLayoutsPreferences) {
    BVTemporaryFolder home;
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.end(), {"--home", home.path(), "--layout", "macos"});
        return brenvik(args);
    };
    EXPECT_EQ(run({"defaults", "write", "DebugModeFakeRemove", "true"}).status, 0);
    EXPECT_EQ(run({"defaults", "write", "Count", "12"}).status, 0);
    EXPECT_EQ(run({"defaults", "write", "Label", "12", "--type", "string"}).status, 0);
    auto stored = BVPlistCodec::decodeFile(home / "Library/Preferences/com.quillon.Brenvik4.plist");
    ASSERT_TRUE(stored);
    EXPECT_EQ((*stored)["DebugModeFakeRemove"], BVValue(true));
    EXPECT_EQ((*stored)["Count"], BVValue(int64_t(12)));
    EXPECT_EQ((*stored)["Label"], BVValue("12"));
    EXPECT_EQ(run({"defaults", "read", "Label"}).out, "12\n");
    EXPECT_EQ(run({"defaults", "delete", "Count"}).status, 0);
    CommandRun missing = run({"defaults", "read", "Count"});
    EXPECT_EQ(missing.status, 1);
    auto all = BVJSONCodec::decode(run({"defaults", "read"}).out);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->dictionaryValue().size(), 2u);
}
