// `brenvik clean` as a hostile tester would try it, end to end with the shipped knowledge base:
// links in a candidate's path, mounts at and inside items, a log with another name, a folder
// swapped while the question waits, excludes and ignore entries in any spelling, the user's own
// files, and two cleans at once. Each test checks byte for byte that nothing outside what was
// chosen changed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "Foundation/BVJSONCodec.h"
#include "tests/fixtures/BVCommandRun.h"
#include "tests/fixtures/BVDiskSnapshot.h"
#include "tests/fixtures/BVMountNamespace.h"
#include "tests/fixtures/BVStartedProcess.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

struct Fixture {
    BVTemporaryFolder t;
    std::string layout;
    std::string home = t.folder("home"), root = t.folder("root");
    explicit Fixture(std::string layout = "linux") : layout(std::move(layout)) {
        t.fileWithText("home/Documents/thesis.doc", "four years of work");
        t.file("home/Documents/P/Data/Library/Caches/img/picture.raw", 30000, 'p');
        t.file("home/Documents/P/files/photo.jpg", 30000, 'j');
        // The program's own folders (its log, its knowledge base) exist from here on.
        t.folder("home/.local/share/brenvik");
        t.folder("home/.local/state/brenvik");
        t.folder("home/Library/Application Support/Brenvik X");
        run({"scan", "trash"});
    }
    BVCommandRun run(std::vector<std::string> arguments, const std::string& input = {}) const {
        arguments.insert(arguments.end(), {"--home", home, "--root", root, "--layout", layout, "--no-progress"});
        return BVRunBrenvik(arguments, input);
    }
    // The fixture as it is, without the program's own log and knowledge-base files.
    BVDiskSnapshot snapshot() const {
        auto all = BVSnapshot(t.path());
        std::erase_if(all, [](const auto& entry) {
            for (const char* own : {"com.quillon.Brenvik4", "Brenvik X", "/.local/share/brenvik", "/.local/state/brenvik", "/.config/brenvik"})
                if (entry.first.find(own) != std::string::npos) return true;
            return false;
        });
        return all;
    }
    std::vector<std::string> relative(std::vector<std::string> paths) const {
        for (auto& p : paths) p = p.substr(t.path().size() + 1);
        return paths;
    }
};

std::string userName() {
    const passwd* pw = ::getpwuid(::getuid());
    return pw ? pw->pw_name : "";
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

TEST(BrenvikCleanSafety, ALinkInACandidatesPathIsNeverFollowed) {
    // A deep-searched cache folder that is a link into the documents (linux), and a sandbox
    // container that is one (macos): nothing behind them is listed or removed, whether the
    // kernel resolves the path (openat2) or the engine walks it one component at a time.
    for (const std::string layout : {"linux", "macos", "linux-by-components"}) {
        if (layout == "linux-by-components") ::setenv("BRENVIK_RESOLVE_BY_COMPONENTS", "1", 1);
        Fixture f(layout == "macos" ? "macos" : "linux");
        std::string junk = layout != "macos" ? "home/.cache/junk/blob" : "home/Library/Caches/com.example.junk/blob";
        f.t.file(junk, 20000);
        if (layout != "macos") f.t.symlink("home/.cache/mozilla", "../Documents");
        else f.t.symlink("home/Library/Containers/X", f.home + "/Documents/P");
        auto before = f.snapshot();
        BVCommandRun r = f.run({"clean", "system-junk", "--yes"});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        std::string folder = junk.substr(0, junk.rfind('/'));
        EXPECT_EQ(f.relative(BVChangedPaths(before, f.snapshot())), (std::vector<std::string>{folder, junk})) << layout << "\n" << r.out;
    }
    ::unsetenv("BRENVIK_RESOLVE_BY_COMPONENTS");
}

class BrenvikCleanMounts : public ::testing::TestWithParam<bool> {};

TEST_P(BrenvikCleanMounts, AtOrInsideItemsAreLeftAloneAndSaidSo) {
    BV_REQUIRE_PRIVATE_MOUNTS();
    if (GetParam()) ::setenv("BRENVIK_RESOLVE_BY_COMPONENTS", "1", 1);
    Fixture f;
    std::string why, documents = f.home + "/Documents/P";
    f.t.file("home/.cache/app/own", 20000);
    ASSERT_TRUE(BVBindMount(documents, f.t.folder("home/.cache/bound"), &why)) << why;      // at an item
    ASSERT_TRUE(BVBindMount(documents, f.t.folder("home/.cache/app/inner"), &why)) << why;  // inside one
    ASSERT_TRUE(BVMountTmpfs(f.t.folder("home/.cache/app/tmp"), &why)) << why;
    f.t.file("home/.cache/app/tmp/other-fs", 20000);
    ASSERT_TRUE(BVBindMount(documents, f.t.folder("home/.local/state/applog"), &why)) << why;  // a log folder
    // A removable volume whose per-user trash is a link to somewhere else on it.
    std::string volume = f.t.folder("root/media/" + userName() + "/USB");
    ASSERT_TRUE(BVMountTmpfs(volume, &why)) << why;
    f.t.file("root/media/" + userName() + "/USB/elsewhere/files/secret", 5000, 's');
    f.t.symlink("root/media/" + userName() + "/USB/.Trash-" + std::to_string(::getuid()), volume + "/elsewhere");
    // A large file on another file system inside the home is not the home's.
    f.t.folder("home/Videos/mounted");
    ASSERT_TRUE(BVMountTmpfs(f.home + "/Videos/mounted", &why)) << why;
    ASSERT_EQ(::truncate(f.t.file("home/Videos/mounted/big.iso").c_str(), 60'000'000), 0);

    auto before = f.snapshot();
    BVCommandRun junk = f.run({"clean", "system-junk", "--yes", "--include", "~/.local/state/applog", "--include", "~/.cache/bound"});
    EXPECT_EQ(junk.status, 1) << junk.out << junk.err;  // the mounted items failed
    EXPECT_NE(junk.out.find("another file system is mounted"), std::string::npos) << junk.out;
    EXPECT_EQ(junk.out.find("emptied  ~/.local/state/applog"), std::string::npos) << junk.out;
    BVCommandRun trash = f.run({"clean", "trash", "--yes"});
    EXPECT_EQ(trash.status, 0) << trash.out << trash.err;
    BVCommandRun large = f.run({"scan", "large-files", "--json"});
    EXPECT_EQ(large.out.find("big.iso"), std::string::npos) << large.out;

    // Only the cache's own file went; the rest, mounted or not, is as it was.
    EXPECT_EQ(f.relative(BVChangedPaths(before, f.snapshot())), std::vector<std::string>{"home/.cache/app/own"}) << junk.out;
}

// The second run takes the component walk that kernels without openat2 get.
INSTANTIATE_TEST_SUITE_P(BothResolutions, BrenvikCleanMounts, ::testing::Bool());

TEST(BrenvikCleanSafety, ALogWithAnotherNameLosesOnlyThatName) {
    Fixture f;
    std::string keep = f.t.file("home/Documents/keep.log", 40000, 'k');
    f.t.folder("home/.local/state/app");
    ASSERT_EQ(::link(keep.c_str(), (f.home + "/.local/state/app/app.log").c_str()), 0);
    auto before = BVSnapshot(f.home + "/Documents");
    BVCommandRun r = f.run({"clean", "system-junk", "--yes", "--include", "~/.local/state/app"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(BVSnapshot(f.home + "/Documents"), before);
    EXPECT_FALSE(exists(f.home + "/.local/state/app/app.log"));
    EXPECT_TRUE(exists(f.home + "/.local/state/app"));  // the log folder stays
}

TEST(BrenvikCleanSafety, AFolderSwappedWhileTheQuestionWaitsIsLeftAlone) {
    Fixture f;
    f.t.file("home/.cache/app/blob", 20000);
    // Started at a terminal; the folder becomes a link once the question shows.
    BVStartedProcess clean(BRENVIK_BINARY, {"clean", "system-junk", "--home", f.home, "--root", f.root, "--layout", "linux", "--no-progress"});
    ASSERT_TRUE(clean.waitFor("[y/N]")) << clean.err();
    std::filesystem::remove_all(f.home + "/.cache/app");
    f.t.symlink("home/.cache/app", f.home + "/Documents");
    auto before = f.snapshot();
    clean.type("y\n");
    auto finished = clean.finish();
    EXPECT_EQ(finished.status, 1) << finished.err;  // reported, not "removed"
    EXPECT_EQ(BVChangedPaths(before, f.snapshot()), std::vector<std::string>{});
}

TEST(BrenvikCleanSafety, ExcludesAndIgnoreEntriesInAnySpellingAreKept) {
    Fixture f;
    f.t.fileWithText("home/.cache/foo/keep.dat", "keep");
    f.t.file("home/.cache/foo/junk/a", 20000);
    auto listed = [&](const std::vector<std::string>& extra) {
        std::vector<std::string> args{"clean", "system-junk", "--dry-run", "--json"};
        args.insert(args.end(), extra.begin(), extra.end());
        auto doc = BVJSONCodec::decode(f.run(args).out).value_or(BVValue());
        std::vector<std::string> paths;
        std::function<void(const BVValue&)> visit = [&](const BVValue& e) {
            if (e["path"].isString()) paths.push_back(e["path"].stringValue());
            for (const auto& child : e["children"].arrayValue()) visit(child);
        };
        for (const auto& item : doc["items"].arrayValue()) visit(item);
        return paths;
    };
    ASSERT_EQ(listed({}), std::vector<std::string>{f.home + "/.cache/foo"});
    for (const std::string& spelling : std::vector<std::string>{"~/.cache/foo/", "~//.cache/foo", f.home + "/.cache/../.cache/foo", "~/.cache/./foo"})
        EXPECT_TRUE(listed({"--exclude", spelling}).empty()) << spelling;

    // A path inside an item stays, and the list says so; a rule that names nothing is warned of.
    BVCommandRun r = f.run({"clean", "system-junk", "--yes", "--exclude", "~/.cache/foo/keep.dat", "--exclude", "~/.cache/nothing"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("keeps ~/.cache/foo/keep.dat"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("--exclude ~/.cache/nothing matches nothing"), std::string::npos) << r.err;
    EXPECT_EQ(BVReadText(f.home + "/.cache/foo/keep.dat"), "keep");
    EXPECT_FALSE(exists(f.home + "/.cache/foo/junk"));

    // The same for an ignore entry, however it was typed.
    f.t.file("home/.cache/bar/junk/a", 20000);
    f.t.fileWithText("home/.cache/bar/keep", "mine");
    BVCommandRun added = f.run({"ignore", "add", "system-junk", "~//.cache/bar/keep/"});
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_NE(f.run({"ignore", "list", "system-junk"}).out.find("~/.cache/bar/keep\n"), std::string::npos);
    BVCommandRun cleaned = f.run({"clean", "system-junk", "--yes"});
    EXPECT_EQ(cleaned.status, 0) << cleaned.err;
    EXPECT_EQ(BVReadText(f.home + "/.cache/bar/keep"), "mine");
    EXPECT_FALSE(exists(f.home + "/.cache/bar/junk"));
}

TEST(BrenvikCleanSafety, TheUsersOwnFilesGoOnlyWhenNamed) {
    Fixture f;
    ASSERT_EQ(::truncate(f.t.file("home/Videos/movie.mkv").c_str(), 60'000'000), 0);
    ASSERT_EQ(::truncate(f.t.file("home/.rustup/toolchains/stable/lib/libLLVM.so").c_str(), 60'000'000), 0);
    BVCommandRun scan = f.run({"scan", "large-files"});
    EXPECT_NE(scan.out.find("[ ] ~/Videos/movie.mkv"), std::string::npos) << scan.out;
    EXPECT_NE(scan.out.find("--include"), std::string::npos) << scan.out;
    EXPECT_EQ(scan.out.find("libLLVM"), std::string::npos) << scan.out;  // a toolchain's file, not the user's
    auto before = f.snapshot();
    BVCommandRun unchosen = f.run({"clean", "large-files", "--yes"});
    EXPECT_EQ(unchosen.status, 0) << unchosen.err;
    EXPECT_NE(unchosen.out.find("Nothing to remove"), std::string::npos) << unchosen.out;
    EXPECT_EQ(BVChangedPaths(before, f.snapshot()), std::vector<std::string>{});
    BVCommandRun chosen = f.run({"clean", "large-files", "--yes", "--include", "~/Videos/*.mkv"});
    EXPECT_EQ(chosen.status, 0) << chosen.err;
    EXPECT_EQ(f.relative(BVChangedPaths(before, f.snapshot())), std::vector<std::string>{"home/Videos/movie.mkv"});
}

TEST(BrenvikCleanSafety, AnApplicationThatDoesNotRunDoesNotHoldItsCache) {
    Fixture f;
    f.t.file("home/.cache/chromium/Default/Cache/data", 20000);
    BVCommandRun r = f.run({"clean", "system-junk", "--yes", "--json"});
    auto doc = BVJSONCodec::decode(r.out);
    ASSERT_TRUE(doc) << r.out << r.err;
    bool running = std::system("pgrep -x chromium >/dev/null 2>&1") == 0;
    if (running) GTEST_SKIP() << "a browser named chromium runs on this machine";
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ((*doc)["state"].uint64Value(), 1u) << r.out;
    EXPECT_FALSE(exists(f.home + "/.cache/chromium"));
}

TEST(BrenvikCleanSafety, WhatIsShownAndSaidMatchesWhatHappens) {
    Fixture f;
    f.t.file("home/.local/state/app/today.log", 20000);
    BVCommandRun dry = f.run({"clean", "system-junk", "--dry-run", "--include", "~/.local/state/app"});
    EXPECT_NE(dry.out.find("empty   ~/.local/state/app"), std::string::npos) << dry.out;
    BVCommandRun emptyTrash = f.run({"clean", "trash", "--yes"});
    EXPECT_EQ(emptyTrash.status, 0);
    EXPECT_EQ(emptyTrash.out, "Nothing to remove.\n");

    // An empty value for a folder is not the real home nor the real system.
    for (const char* option : {"--home", "--root"}) {
        BVCommandRun r = BVRunBrenvik({"scan", "system-junk", option, ""});
        EXPECT_EQ(r.status, 2) << option;
        EXPECT_NE(r.err.find("an empty value is not one"), std::string::npos) << r.err;
    }

    // A damaged defaults file is said once, on standard error; the output stays clean.
    f.t.fileWithText("home/.config/com.quillon.Brenvik4.plist", "<plist><dict><key>broken");
    BVCommandRun scan = f.run({"scan", "system-junk", "--json"});
    EXPECT_TRUE(BVJSONCodec::decode(scan.out)) << scan.out;
    size_t first = scan.err.find("cannot read");
    EXPECT_NE(first, std::string::npos) << scan.err;
    EXPECT_EQ(scan.err.find("cannot read", first + 1), std::string::npos) << scan.err;
}

TEST(BrenvikCleanSafety, TwoCleansOfOneHomeAtOnceBothSucceed) {
    Fixture f;
    for (int i = 0; i < 300; ++i) f.t.file("home/.cache/app" + std::to_string(i) + "/blob", 3000);
    BVCommandRun a, b;
    std::thread other([&] { b = f.run({"clean", "system-junk", "--yes"}); });
    a = f.run({"clean", "system-junk", "--yes"});
    other.join();
    EXPECT_EQ(a.status, 0) << a.out;
    EXPECT_EQ(b.status, 0) << b.out;
    for (int i = 0; i < 300; ++i) EXPECT_FALSE(exists(f.home + "/.cache/app" + std::to_string(i))) << i;
}
