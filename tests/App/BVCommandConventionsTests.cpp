// The command line as a Unix user meets it: versions and help, the human listing (aligned
// sizes, totals, display names), colour, shell completion, Ctrl-C during a clean, and the
// program's own folders moved to their XDG places.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "Foundation/BVJSONCodec.h"
#include "Foundation/BVProcess.h"
#include "tests/fixtures/BVCommandRun.h"
#include "tests/fixtures/BVDiskSnapshot.h"
#include "tests/fixtures/BVStartedProcess.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

struct Fixture {
    BVTemporaryFolder t;
    std::string home = t.folder("home"), root = t.folder("root");
    std::vector<std::string> with(std::vector<std::string> arguments) const {
        arguments.insert(arguments.end(), {"--home", home, "--root", root, "--layout", "linux", "--no-progress"});
        return arguments;
    }
    BVCommandRun run(const std::vector<std::string>& arguments) const { return BVRunBrenvik(with(arguments)); }
};

BVCommandRun shell(const std::string& program, const std::vector<std::string>& arguments) {
    BVProcess p(program, arguments);
    std::string out;
    p.executeWithProgress(nullptr, BVStandardOutput{&out});
    return {p.outcome().exitStatus, out, p.outcome().standardError};
}

}  // namespace

TEST(BrenvikConventions, VersionAndHelp) {
    Fixture f;
    for (const auto& arguments : std::vector<std::vector<std::string>>{{"--version"}, {"-V"}, {"version"}}) {
        BVCommandRun r = f.run(arguments);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.rfind("brenvik 0.", 0), 0u) << r.out;
        EXPECT_NE(r.out.find("\nknowledge base 1."), std::string::npos) << r.out;
    }
    BVCommandRun help = f.run({"help", "clean"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, f.run({"clean", "--help"}).out);
    for (const char* expected : {"Usage: brenvik clean", "--include GLOB", "-y,--yes", "-n,--dry-run", "--home DIR",
                                 "system-junk       document-versions, system-languages, developer-junk, broken-startup-items, unused-disk-images"})
        EXPECT_NE(help.out.find(expected), std::string::npos) << expected << "\n" << help.out;
    BVCommandRun top = f.run({"help"});
    EXPECT_EQ(top.out.rfind("brenvik finds data", 0), 0u) << top.out;
    EXPECT_NE(top.out.find("Usage: brenvik [OPTIONS] [SUBCOMMAND]"), std::string::npos) << top.out;
}

TEST(BrenvikConventions, AScanListsDisplayNamesWithAlignedSizesAndTotals) {
    Fixture f;
    f.t.file("home/.local/share/Trash/files/a.bin", 8192);
    f.t.file("home/.local/share/Trash/files/b.txt", 4096);
    f.t.file("home/.local/share/Trash/files/c.dat", 16384);
    BVCommandRun scan = f.run({"scan", "trash", "--sort", "size"});
    ASSERT_EQ(scan.status, 0) << scan.err;
    EXPECT_EQ(scan.out,
              "Trash (trash)\n"
              "  29 KB  Trashes, 29 KB selected\n"
              "  29 KB    [x] /\n"
              "  16 KB      [x] ~/.local/share/Trash/files/c.dat\n"
              "   8 KB      [x] ~/.local/share/Trash/files/a.bin\n"
              "   4 KB      [x] ~/.local/share/Trash/files/b.txt\n"
              "  29 KB  total, 29 KB selected\n");
    EXPECT_EQ(f.run({"scan", "trash", "--sort", "name", "--bytes", "--tree", "0"}).out,
              "Trash (trash)\n"
              "  28672  Trashes, 28672 selected\n"
              "             (1 item)\n"
              "  28672  total, 28672 selected\n");
    // Only the chosen tasks run; JSON names them by key and display name too.
    auto doc = BVJSONCodec::decode(f.run({"scan", "system-junk/user-logs,system-logs", "--json"}).out);
    ASSERT_TRUE(doc);
    const auto& results = (*doc)["results"].arrayValue();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0]["key"].stringValue(), "user-logs");
    EXPECT_EQ(results[0]["displayName"].stringValue(), "User logs");
    EXPECT_EQ(results[1]["key"].stringValue(), "system-logs");

    // A Smart Scan ends with a line per section and the grand total, in the one size column.
    BVCommandRun smart = f.run({"smart-scan", "--tree", "0"});
    ASSERT_EQ(smart.status, 0) << smart.err;
    std::string summary = smart.out.substr(smart.out.find("\nSmart Scan\n"));
    for (const char* line : {"  29 KB  Cleanup, 29 KB selected\n", "  Protection, ", "  Speed, ", "  29 KB  total, 29 KB selected\n"})
        EXPECT_NE(summary.find(line), std::string::npos) << line << "\n" << summary;
}

TEST(BrenvikConventions, ColourOnlyWhenWanted) {
    Fixture f;
    f.t.file("home/.local/share/Trash/files/a.bin", 4096);
    EXPECT_EQ(f.run({"scan", "trash"}).out.find("\033["), std::string::npos);  // not a terminal
    EXPECT_NE(f.run({"scan", "trash", "--color", "always"}).out.find("\033[32m[x]\033[0m"), std::string::npos);
    EXPECT_EQ(f.run({"scan", "trash", "--color", "always", "--json"}).out.find("\033["), std::string::npos);
}

TEST(BrenvikConventions, ADeclinedOrRefusedCleanSaysSoAndRemovesNothing) {
    Fixture f;
    std::string file = f.t.file("home/.local/share/Trash/files/a.bin", 4096);
    BVFinishedProcess declined = BVRunAtTerminal(BRENVIK_BINARY, f.with({"clean", "trash", "--json"}), "n\n");
    EXPECT_EQ(declined.status, 1);
    EXPECT_NE(declined.err.find("Abort."), std::string::npos) << declined.err;
    auto doc = BVJSONCodec::decode(declined.out);
    ASSERT_TRUE(doc) << declined.out;
    EXPECT_EQ((*doc)["reason"].stringValue(), "declined");
    BVCommandRun refused = f.run({"clean", "trash", "-j"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(BVJSONCodec::decode(refused.out).value_or(BVValue())["reason"].stringValue(), "no terminal");
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(f.run({"clean", "trash", "-n"}).status, 0);  // a dry run asks nothing
    EXPECT_TRUE(std::filesystem::exists(file));
}

TEST(BrenvikConventions, CtrlCDuringACleanStopsAfterTheCurrentItemAndReportsWhatWent) {
    Fixture f;
    // Every cache folder is an entity of its own: the clean stops between two of them.
    const int count = 2000;
    for (int i = 0; i < count; ++i) f.t.fileWithText("home/.cache/app" + std::to_string(i) + "/blob", "item " + std::to_string(i));
    f.t.fileWithText("home/Documents/keep.txt", "kept");
    auto before = BVSnapshot(f.t.path());
    BVStartedProcess clean(BRENVIK_BINARY, f.with({"clean", "system-junk/user-caches", "--yes"}), BVStartedProcess::Input::Nothing);
    // Held still the moment the list shows, so the signal lands at the start of the removals.
    ASSERT_TRUE(clean.waitFor("Will remove:")) << clean.err();
    clean.signal(SIGSTOP);
    clean.signal(SIGINT);
    clean.signal(SIGCONT);
    BVFinishedProcess r = clean.finish();
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_NE(r.out.find("stopped before the rest"), std::string::npos) << r.out.substr(r.out.size() > 300 ? r.out.size() - 300 : 0);
    // What is gone was reported removed; everything else is as it was.
    size_t reported = 0;
    for (size_t at = r.out.find("  removed  "); at != std::string::npos; at = r.out.find("  removed  ", at + 1)) ++reported;
    auto changed = BVChangedPaths(before, BVSnapshot(f.t.path()));
    std::erase_if(changed, [](const std::string& p) { return p.find("/home/.local") != std::string::npos; });  // our own files
    // A removed cache is its folder and its file.
    EXPECT_EQ(changed.size(), 2 * reported);
    EXPECT_LT(reported, size_t(count));
    for (const auto& path : changed) EXPECT_NE(path.find("/home/.cache/app"), std::string::npos) << path;
}

TEST(BrenvikConventions, CompletionScriptsLoadAndCompleteModulesAndKeys) {
    Fixture f;
    std::string bash = f.t.fileWithText("brenvik.bash", BVRunBrenvik({"completion", "bash"}).out);
    BVCommandRun loaded = shell("/bin/bash", {"-c", "source " + bash + " && complete -p brenvik && COMP_WORDS=(" BRENVIK_BINARY
                                                   " clean system-junk/user-c) && COMP_CWORD=2 && _brenvik && echo \"${COMPREPLY[@]}\""});
    EXPECT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_EQ(loaded.out, "complete -o filenames -F _brenvik brenvik\nsystem-junk/user-caches\n");
    for (const auto& [program, name, check] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"/usr/bin/zsh", "zsh", "-n"}, {"/usr/bin/fish", "fish", "--no-execute"}}) {
        std::string script = f.t.fileWithText("brenvik." + name, BVRunBrenvik({"completion", name}).out);
        BVCommandRun parsed = shell(program, {check, script});
        EXPECT_EQ(parsed.status, 0) << name << ": " << parsed.err;
    }
    std::string bin = std::filesystem::path(BRENVIK_BINARY).parent_path();
    std::string fish = f.t.fileWithText("complete.fish", BVRunBrenvik({"completion", "fish"}).out);
    BVCommandRun offered = shell("/usr/bin/fish", {"-c", "set -x PATH " + bin + " $PATH; source " + fish + "; complete -C 'brenvik scan --sort s'"});
    EXPECT_EQ(offered.out, "size\n") << offered.err;

    // What the scripts ask the program: commands, options with their values, modules and keys.
    struct Case {
        std::vector<std::string> words;
        std::string current, expected;
    };
    const std::vector<Case> cases = {
        {{}, "sm", "smart-scan\n"},
        {{"--home", "x"}, "mod", "modules\n"},
        {{"--home"}, "", ":dir\n"},
        {{"scan"}, "trash", "trash\ntrash/trashes\ntrash/volume-trashes\ntrash/mail-trashes\ntrash/photos-trash\ntrash/duplicates-album\n"},
        {{"clean", "trash"}, "--d", "--dry-run\n"},
        {{"clean", "trash", "--include"}, "", ":file\n"},
        {{"scan", "--color"}, "a", "auto\nalways\n"},
        {{"defaults"}, "", "read\nwrite\ndelete\n"},
        {{"kb"}, "", "info\nimport-signatures\n"},
        {{"completion"}, "f", "fish\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments{"__complete"};
        arguments.insert(arguments.end(), c.words.begin(), c.words.end());
        arguments.insert(arguments.end(), {"--", c.current});
        EXPECT_EQ(BVRunBrenvik(arguments).out, c.expected) << c.current;
    }
}

TEST(BrenvikConventions, TheProgramsOwnFilesMoveOnceToTheirXDGPlaces) {
    Fixture f;
    std::string defaults = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                           "<key>LargeAndOldFilesRemoveMethod</key><integer>1</integer></dict></plist>\n";
    f.t.fileWithText("home/.config/com.quillon.Brenvik4.plist", defaults);
    f.t.fileWithText("home/.local/share/Brenvik X/KnowledgeBase/marks", "user marks");
    f.t.fileWithText("home/.local/state/com.quillon.Brenvik4/Brenvik.log", "an old line\n");
    f.t.fileWithText("home/.local/state/brenvik/Brenvik.log", "a newer line\n");  // already at the new place

    BVCommandRun read = f.run({"defaults", "read", "LargeAndOldFilesRemoveMethod"});
    EXPECT_EQ(read.out, "1\n") << read.err;
    EXPECT_EQ(BVReadText(f.home + "/.config/brenvik/defaults.plist"), defaults);
    EXPECT_EQ(BVReadText(f.home + "/.local/share/brenvik/KnowledgeBase/marks"), "user marks");
    EXPECT_FALSE(std::filesystem::exists(f.home + "/.config/com.quillon.Brenvik4.plist"));
    EXPECT_FALSE(std::filesystem::exists(f.home + "/.local/share/Brenvik X"));
    // The log of the same name at the new place wins; the old one stays with its folder.
    EXPECT_EQ(BVReadText(f.home + "/.local/state/com.quillon.Brenvik4/Brenvik.log"), "an old line\n");
    EXPECT_EQ(BVReadText(f.home + "/.local/state/brenvik/Brenvik.log").rfind("a newer line\n", 0), 0u);
}
