// Paths of both layouts, user defaults read at use, the logger's file, version ordering.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLocalizedStrings.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVUserDefaults.h"
#include "Foundation/BVVersionComparator.h"
#include "tests/fixtures/BVTemporaryFolder.h"

TEST(BVPaths, ResolvesBothLayoutsUnderHomeAndRoot) {
    BVPaths mac(BVLayout::macos, "/fx/home", "/fx/root");
    BVPaths lin(BVLayout::linux, "/fx/home/", "/");
    struct Case {
        std::optional<std::string> actual;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {mac.userCaches(), "/fx/home/Library/Caches"},
        {mac.localLogs(), "/fx/root/Library/Logs"},
        {mac.systemTrash(), "/fx/home/.Trash"},
        {mac.iCloudTrash(), "/fx/home/Library/Mobile Documents/.Trash"},
        {lin.userCaches(), "/fx/home/.cache"},
        {lin.localCaches(), "/var/cache"},
        {lin.systemTrash(), "/fx/home/.local/share/Trash/files"},
        {lin.userLogs(), "/fx/home/.local/state"},
        {lin.aslLogs(), std::nullopt},
        {lin.iCloudTrash(), std::nullopt},
        {lin.userLibraryURL(), std::nullopt},
    };
    for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(cases[i].actual, cases[i].expected) << "case " << i;
    EXPECT_EQ(mac.userDefaultsFile(), "/fx/home/Library/Preferences/com.quillon.Brenvik4.plist");
    EXPECT_EQ(mac.knowledgeBaseFolder(), "/fx/home/Library/Application Support/Brenvik X/KnowledgeBase");
    EXPECT_EQ(mac.logFolder(), "/fx/home/Library/Logs/com.quillon.Brenvik4");
    // The linux layout's own folders follow XDG under one name.
    EXPECT_EQ(lin.userDefaultsFile(), "/fx/home/.config/brenvik/defaults.plist");
    EXPECT_EQ(lin.knowledgeBaseFolder(), "/fx/home/.local/share/brenvik/KnowledgeBase");
    EXPECT_EQ(lin.logFolder(), "/fx/home/.local/state/brenvik");
    EXPECT_EQ(mac.abbreviateHome("/fx/home/Library"), "~/Library");
    EXPECT_EQ(mac.abbreviateHome("/fx/homework"), "/fx/homework");
    EXPECT_EQ(mac.expandTilde("~/BRKX/Tasks"), "/fx/home/BRKX/Tasks");
}

TEST(BVPaths, ProtectsTheHomeAndTheLayoutsRootFolders) {
    BVPaths mac(BVLayout::macos, "/fx/home", "/fx/root");
    for (const char* p : {"/", "/fx/root", "/fx/root/System", "/fx/root/usr", "/fx/home", "/fx/home/", "/fx/home/Library",
                          "/fx/home/Documents", "/fx/home/Library/Caches"})
        EXPECT_TRUE(mac.isProtectedRoot(p)) << p;
    for (const char* p : {"/fx/home/Library/Caches/com.vendor.app", "/fx/home/Documents/a.txt", "/fx/root/Library/Logs/x"})
        EXPECT_FALSE(mac.isProtectedRoot(p)) << p;
    BVPaths lin(BVLayout::linux, "/home/u");
    EXPECT_TRUE(lin.isProtectedRoot("/usr"));
    EXPECT_TRUE(lin.isProtectedRoot("/home/u/.config"));
    EXPECT_FALSE(lin.isProtectedRoot("/home/u/.cache/thumbnails"));
}

TEST(BVUserDefaults, ReadsTheFileAtEachUseAndLeavesADamagedFileAlone) {
    BVTemporaryFolder t;
    std::string file = t / "prefs/com.quillon.Brenvik4.plist";
    BVUserDefaults defaults(file);
    EXPECT_FALSE(defaults.boolForKey("DebugModeFakeRemove"));
    // Another program writes the file: the next read sees it.
    t.folder("prefs");
    std::string py = "python3 -c \"import plistlib; open('" + file +
                     "','wb').write(plistlib.dumps({'DebugModeFakeRemove': True, 'Count': 2}))\"";
    ASSERT_EQ(std::system(py.c_str()), 0);
    EXPECT_TRUE(defaults.boolForKey("DebugModeFakeRemove"));
    EXPECT_EQ(defaults.objectForKey("Count")->int64Value(), 2);
    ASSERT_TRUE(defaults.setObject("Name", BVValue("x")));
    ASSERT_TRUE(defaults.removeObjectForKey("Count"));
    EXPECT_FALSE(defaults.objectForKey("Count"));
    EXPECT_TRUE(defaults.boolForKey("DebugModeFakeRemove"));  // kept by the rewrite

    t.fileWithText("prefs/com.quillon.Brenvik4.plist", "garbage");
    EXPECT_FALSE(defaults.boolForKey("DebugModeFakeRemove"));
    std::string error;
    EXPECT_FALSE(defaults.setObject("Name", BVValue("y"), &error));
    EXPECT_EQ(BVReadText(file), "garbage");
}

TEST(BVLogger, AppendsToTheLogFileAndFallsBackToTheConsole) {
    BVTemporaryFolder t;
    BVLogger::Configuration c;
    c.logFolder = t / "Logs/brenvik";
    c.consoleLevel = BVLogLevel::Off;
    BVLogger::configure(c);
    BVLogger::info("[test] first line");
    BVLogger::debug("[test] below the level");
    std::string path = t / "Logs/brenvik/Brenvik.log";
    EXPECT_EQ(BVLogger::logFilePath(), path);
    BVLogger::configure(c);  // appended, not truncated
    BVLogger::info("[test] second line");
    std::string text = BVReadText(path);
    EXPECT_NE(text.find("[test] first line"), std::string::npos);
    EXPECT_NE(text.find("[test] second line"), std::string::npos);
    EXPECT_EQ(text.find("below the level"), std::string::npos);

    t.file("Blocked/brenvik");  // a file where the folder should be
    c.logFolder = t / "Blocked/brenvik";
    BVLogger::configure(c);
    EXPECT_EQ(BVLogger::logFilePath(), "");
    BVLogger::configure(BVLogger::Configuration{});
}

TEST(BVVersionComparator, OrdersVersionsByNumericParts) {
    using R = BVComparisonResult;
    const std::vector<std::tuple<const char*, const char*, R>> cases = {
        {"1.2", "1.10", R::Ascending},     {"4.2", "4.2.0", R::Same},        {"4.2.0b3", "4.2.0", R::Ascending},
        {"4.2.0b3", "4.2.0b10", R::Ascending}, {"4.2.0a9", "4.2.0b1", R::Ascending}, {"4.2.0rc1", "4.2.0b7", R::Descending},
        {"4.2.0", "4.2.0.1", R::Ascending}, {"10.15.7", "10.9", R::Descending}, {"2.0 (1234)", "2.0 (1240)", R::Ascending},
        {"", "1", R::Ascending},           {"1.0", "1.0", R::Same},
    };
    for (const auto& [a, b, expected] : cases) {
        EXPECT_EQ(BVVersionComparator::compareVersion(a, b), expected) << a << " vs " << b;
        EXPECT_EQ(int(BVVersionComparator::compareVersion(b, a)), -int(expected)) << b << " vs " << a;
    }
}

TEST(BVFileIO, SplitsAndJoinsPaths) {
    EXPECT_EQ(BVFileIO::parentPath("/a/b/c"), "/a/b");
    EXPECT_EQ(BVFileIO::parentPath("/a"), "/");
    EXPECT_EQ(BVFileIO::lastPathComponent("/a/b.log/"), "b.log");
    EXPECT_EQ(BVFileIO::pathExtension("/a/b.tar.gz"), "gz");
    EXPECT_EQ(BVFileIO::pathExtension("/a/.hidden"), "");
    EXPECT_EQ(BVFileIO::appendPathComponent("/a/", "/b"), "/a/b");
}

TEST(BVLocalizedStrings, ParsesTablesAndFormatsPaths) {
    auto parsed = BVParseStringTable("/* c */\n\"a\" = \"x \\\"q\\\" %@\";\n// line\n\"b\"=\"two\";");
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[0].second, "x \"q\" %@");
    EXPECT_EQ(BVFormatLocalized("%@ and %@", {"/a", "/b"}), "/a and /b");
    for (const char* key : {"ErrorDescriptionRemoving_CouldntRemoveWithPrivileges", "ErrorDescriptionRemoving_FileWasntAuthorized",
                            "ErrorDescriptionRemoving_GenericSingleFileError", "ErrorDescriptionRemoving_DependantApplication"}) {
        std::string text = BVLocalizedString("Errors", key);
        EXPECT_NE(text.find("%@"), std::string::npos) << key;
    }
    EXPECT_EQ(BVLocalizedString("Errors", "NoSuchKey", "fallback"), "fallback");
    EXPECT_EQ(BVLocalizedString("NoSuchTable", "x"), "");
}
