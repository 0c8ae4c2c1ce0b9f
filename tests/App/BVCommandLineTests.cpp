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
            // Every task keeps its identifier and adds the key a user types and its display name.
            const auto& modules = (*doc)["modules"].arrayValue();
            ASSERT_FALSE(modules.empty());
            const auto& task = modules[0]["tasks"].arrayValue().at(0);
            EXPECT_FALSE(task["identifier"].stringValue().empty());
            EXPECT_FALSE(task["key"].stringValue().empty());
            EXPECT_FALSE(task["displayName"].stringValue().empty());
            EXPECT_NE(task["key"].stringValue(), task["identifier"].stringValue());
        } else {
            const auto& sections = (*doc)["sections"].arrayValue();
            ASSERT_EQ(sections.size(), 3u);
            EXPECT_EQ(sections[0]["section"].stringValue(), "cleanup");
            EXPECT_EQ(sections[2]["section"].stringValue(), "speed");
        }
    }
    // The log went to the fixture home's state folder, not to standard output.
    EXPECT_FALSE(BVReadText(home / ".local/state/brenvik/Brenvik.log").empty());
}

TEST(BrenvikCommand, BadInputGivesUsageStatusAndSaysWhatIsWrong) {
    BVTemporaryFolder home;
    std::string file = home.file("not-a-folder");
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string firstLine;  // the start of the first line of standard error
    };
    const std::vector<Case> cases = {
        {{"scan", "trsh", "--home", home.path()}, 2, "brenvik: unknown module 'trsh' (did you mean 'trash'?)"},
        {{"scan", "system-junk/user-cache", "--home", home.path()}, 2,
         "brenvik: the module system-junk has no task 'user-cache' (did you mean 'user-caches'?)"},
        {{"scan", "system-junk/", "--home", home.path()}, 2, "brenvik: system-junk/ names no task"},
        {{"scan"}, 2, "brenvik: MODULE is required"},
        {{"scna", "trash"}, 2, "brenvik: 'scna' is not a command (did you mean 'scan'?)"},
        {{"--home", home.path(), "frobnicate"}, 2, "brenvik: 'frobnicate' is not a command"},
        {{"help", "cleen"}, 2, "brenvik: 'cleen' is not a command (did you mean 'clean'?)"},
        {{}, 2, "brenvik finds data"},
        {{"modules", "--home", file}, 2, "brenvik: the home folder"},
        {{"modules", "--home", home.path(), "--root", home / "missing"}, 2, "brenvik: the root folder"},
        {{"modules", "--layout", "windows"}, 2, "brenvik: --layout: windows not in {macos,linux}"},
        {{"scan", "trash", "--tree", "-1", "--home", home.path()}, 2, "brenvik: --tree takes a number of levels, 0 or more"},
        {{"scan", "trash", "--tree", "two", "--home", home.path()}, 2, "brenvik: --tree takes a number of levels, 0 or more"},
        {{"scan", "trash", "--color", "sometimes"}, 2, "brenvik: --color: sometimes not in {never,auto,always}"},
        {{"clean", "trash", "--home", home.path()}, 2,
         "brenvik: standard input is not a terminal, so there is no one to ask; use --yes to clean without asking"},
        {{"ignore", "list", "uninstaller", "--home", home.path()}, 2, "brenvik: unknown module 'uninstaller'"},
        {{"ignore", "list", "trash", "--home", home.path()}, 2, "brenvik: the module 'trash' has no ignore list"},
        {{"defaults", "write", "--home", home.path()}, 2, "brenvik: defaults write needs a KEY"},
        {{"defaults", "write", "LargeAndOldFilesRemoveMethod", "x", "--home", home.path()}, 2, "brenvik: 'x' is not a int"},
        {{"defaults", "write", "DebugModeFakeRemov", "yes", "--home", home.path()}, 2,
         "brenvik: no part of brenvik reads the default 'DebugModeFakeRemov' (did you mean 'DebugModeFakeRemove'?)"},
        {{"defaults", "write", "Note", "a\tb", "--force", "--home", home.path()}, 2, "brenvik: the value holds a control character"},
        {{"defaults", "write", "Note", "caf\xe9", "--force", "--home", home.path()}, 2, "brenvik: the value is not UTF-8 text"},
    };
    for (const auto& c : cases) {
        CommandRun r = brenvik(c.arguments);
        std::string shown = c.arguments.empty() ? "(none)" : c.arguments[0] + " " + (c.arguments.size() > 1 ? c.arguments[1] : "");
        EXPECT_EQ(r.status, c.status) << shown << "\n" << r.err;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')).substr(0, c.firstLine.size()), c.firstLine) << shown << "\n" << r.err;
    }
}

TEST(BrenvikCommand, DefaultsWriteReadAndDeleteInTheLayoutsPreferences) {
    BVTemporaryFolder home;
    auto run = [&](std::vector<std::string> args, const std::string& layout = "macos") {
        args.insert(args.end(), {"--home", home.path(), "--layout", layout});
        return brenvik(args);
    };
    // yes/no are booleans; success says what was stored, and as what.
    CommandRun on = run({"defaults", "write", "DebugModeFakeRemove", "yes"});
    EXPECT_EQ(on.status, 0) << on.err;
    EXPECT_EQ(on.out, "DebugModeFakeRemove = true (bool)\n");
    EXPECT_EQ(run({"defaults", "write", "LargeAndOldFilesRemoveMethod", "1"}).out, "LargeAndOldFilesRemoveMethod = 1 (int)\n");
    // A key nothing reads only with --force; it is then stored as typed.
    EXPECT_EQ(run({"defaults", "write", "Label", "12", "--type", "string", "--force"}).status, 0);
    EXPECT_EQ(run({"defaults", "write", "Count", "12", "--force"}).status, 0);
    auto stored = BVPlistCodec::decodeFile(home / "Library/Preferences/com.quillon.Brenvik4.plist");
    ASSERT_TRUE(stored);
    EXPECT_EQ((*stored)["DebugModeFakeRemove"], BVValue(true));
    EXPECT_EQ((*stored)["LargeAndOldFilesRemoveMethod"], BVValue(int64_t(1)));
    EXPECT_EQ((*stored)["Count"], BVValue(int64_t(12)));
    EXPECT_EQ((*stored)["Label"], BVValue("12"));
    EXPECT_EQ(run({"defaults", "read", "Label"}).out, "12\n");
    CommandRun deleted = run({"defaults", "delete", "Count"});
    EXPECT_EQ(deleted.status, 0);
    EXPECT_EQ(deleted.out, "Count deleted\n");
    EXPECT_EQ(run({"defaults", "read", "Count"}).status, 1);
    auto all = BVJSONCodec::decode(run({"defaults", "read"}).out);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->dictionaryValue().size(), 3u);
    std::string known = run({"defaults", "read", "--known"}).out;
    size_t line = known.find("\nLargeAndOldFilesRemoveMethod ");
    ASSERT_NE(line, std::string::npos) << known;
    EXPECT_LT(known.find(" int ", line), known.find('\n', line + 1)) << known;

    // On the linux layout the file is the XDG one.
    EXPECT_EQ(run({"defaults", "write", "DebugModeFakeRemove", "no"}, "linux").status, 0);
    auto linux = BVPlistCodec::decodeFile(home / ".config/brenvik/defaults.plist");
    ASSERT_TRUE(linux);
    EXPECT_EQ((*linux)["DebugModeFakeRemove"], BVValue(false));
}
