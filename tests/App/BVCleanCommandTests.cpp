// `brenvik clean` end to end on a linux fixture home with the System Junk module and the
// shipped knowledge base: the globs, the dry run, a declined confirmation, and an item of a
// running application (a real process the knowledge base names "firefox") kept when the user
// does not let it quit, removed after it quit, the application started again afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "Foundation/BVJSONCodec.h"
#include "tests/fixtures/BVTestApplicationProcess.h"
#include "tests/fixtures/BVCommandRun.h"
#include "tests/fixtures/BVStartedProcess.h"

namespace {

using CommandRun = BVCommandRun;

CommandRun brenvik(std::vector<std::string> arguments, const BVTemporaryFolder& t) {
    arguments.insert(arguments.end(), {"--home", t / "home", "--root", t / "root", "--layout", "linux", "--no-progress"});
    return BVRunBrenvik(arguments);
}

// The same with `input` typed at a terminal, as a person answers the questions.
CommandRun atTerminal(std::vector<std::string> arguments, const BVTemporaryFolder& t, const std::string& input) {
    arguments.insert(arguments.end(), {"--home", t / "home", "--root", t / "root", "--layout", "linux", "--no-progress"});
    auto r = BVRunAtTerminal(BRENVIK_BINARY, arguments, input);
    return {r.status, r.out, r.err};
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> itemPaths(const BVValue& doc) {
    std::vector<std::string> paths;
    for (const auto& item : doc["items"].arrayValue()) {
        if (item["path"].isString()) paths.push_back(item["path"].stringValue());
        for (const auto& child : item["children"].arrayValue()) paths.push_back(child["path"].stringValue());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

// Whether a process other than ours runs a program named `name` (the test must not quit a
// browser someone is using on this machine).
bool anotherProcessRuns(const std::string& name) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::error_code error;
        auto target = std::filesystem::read_symlink(entry.path() / "exe", error);
        if (!error && target.filename() == name) return true;
    }
    return false;
}

}  // namespace

TEST(BrenvikClean, GlobsDryRunAndADeclinedConfirmation) {
    BVTemporaryFolder t;
    t.folder("root");
    t.file("home/.cache/app-a/data", 20000);
    t.file("home/.cache/app-b/data", 20000);
    t.file("home/.cache/pip/wheel", 20000);  // offered, not preselected
    std::vector<std::string> globs = {"--exclude", "~/.cache/app-b*", "--include", "~/.cache/pip"};

    auto args = [&](std::vector<std::string> a) {
        a.insert(a.end(), globs.begin(), globs.end());
        return a;
    };
    CommandRun dry = brenvik(args({"clean", "system-junk", "--dry-run", "--json"}), t);
    ASSERT_EQ(dry.status, 0) << dry.err;
    auto doc = BVJSONCodec::decode(dry.out);
    ASSERT_TRUE(doc) << dry.out;
    EXPECT_TRUE((*doc)["dryRun"].boolValue());
    std::string cache = t / "home/.cache";
    auto listed = itemPaths(*doc);
    EXPECT_NE(std::find(listed.begin(), listed.end(), cache + "/app-a"), listed.end()) << dry.out;
    EXPECT_NE(std::find(listed.begin(), listed.end(), cache + "/pip"), listed.end()) << dry.out;
    EXPECT_EQ(std::find(listed.begin(), listed.end(), cache + "/app-b"), listed.end()) << dry.out;

    CommandRun declined = atTerminal(args({"clean", "system-junk"}), t, "n\n");
    EXPECT_EQ(declined.status, 1);
    EXPECT_NE(declined.out.find("~/.cache/app-a"), std::string::npos) << declined.out;
    EXPECT_NE(declined.err.find("Abort."), std::string::npos) << declined.err;
    for (const char* f : {"/app-a/data", "/app-b/data", "/pip/wheel"}) EXPECT_TRUE(exists(cache + f)) << f;

    CommandRun accepted = atTerminal(args({"clean", "system-junk"}), t, "y\n");
    EXPECT_EQ(accepted.status, 0) << accepted.err;
    EXPECT_NE(accepted.out.find("removed  ~/.cache/pip"), std::string::npos) << accepted.out;
    EXPECT_FALSE(exists(cache + "/app-a"));
    EXPECT_FALSE(exists(cache + "/pip"));
    EXPECT_TRUE(exists(cache + "/app-b/data"));
}

TEST(BrenvikClean, ItemsOfARunningApplicationWaitForItToQuit) {
    BVTemporaryFolder t;
    t.folder("root");
    t.file("home/.cache/mozilla/firefox/profile/cache2/entry", 20000);
    t.file("home/.cache/app-a/data", 20000);
    std::string browserCache = t / "home/.cache/mozilla/firefox";
    if (anotherProcessRuns("firefox")) GTEST_SKIP() << "a browser runs on this machine; the test would quit it";
    BVTestApplicationProcess browser(t, "firefox", false);

    // Yes to the removal, no to quitting: the browser's cache stays and is reported.
    CommandRun kept = atTerminal({"clean", "system-junk", "--json"}, t, "y\nn\n");
    EXPECT_EQ(kept.status, 1) << kept.err;
    EXPECT_NE(kept.err.find("org.mozilla.firefox (process " + std::to_string(browser.pid) + ")"), std::string::npos) << kept.err;
    auto doc = BVJSONCodec::decode(kept.out);
    ASSERT_TRUE(doc) << kept.out;
    EXPECT_EQ((*doc)["state"].uint64Value(), 3u);
    EXPECT_NE(kept.out.find("\"code\": -12"), std::string::npos) << kept.out;
    EXPECT_TRUE(exists(browserCache + "/profile/cache2/entry"));
    EXPECT_FALSE(exists(t / "home/.cache/app-a"));
    EXPECT_EQ(browser.launches(), 1u);

    // --yes quits it, removes its cache, and starts it again.
    CommandRun quit = brenvik({"clean", "system-junk", "--yes"}, t);
    EXPECT_EQ(quit.status, 0) << quit.err;
    EXPECT_FALSE(exists(browserCache));
    ASSERT_TRUE(BVEventually([&] { return browser.launches() == 2; }));
    std::string launches = BVReadText(browser.path + ".launches");
    pid_t relaunched = pid_t(std::stol(launches.substr(launches.find('\n') + 1)));
    ::kill(relaunched, SIGKILL);
}
