// Membership queries through the item cache, application queries and the matching index.
#include <gtest/gtest.h>

#include "KnowledgeBase/BVItemSet.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "KnowledgeBase/BVKnowledgeBaseInjector.h"
#include "KnowledgeBase/FMEncryptedDatabase.h"
#include "tests/KnowledgeBase/BVKnowledgeBaseFixture.h"

namespace {

BVRuleRecord noted(BVRuleRecord rule, int64_t fileType, std::string app = {}, std::string bundle = {}) {
    rule.fileType = fileType;
    rule.applicationName = std::move(app);
    rule.bundleID = std::move(bundle);
    return rule;
}

BVRuleRecord ofApp(BVRuleRecord rule, std::string app, std::string bundle) {
    rule.applicationName = std::move(app);
    rule.bundleID = std::move(bundle);
    return rule;
}

BVRuleRecord executableOf(std::string program, std::string bundle) {
    BVRuleRecord rule = ofApp(BVRule(0, std::move(program), BVAllScannersIdentifier), "App", std::move(bundle));
    rule.isExecutable = true;
    return rule;
}

}  // namespace

TEST(BVKnowledgeBaseQueries, BlackItemsMatchByFullValueAndScanner) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({
        BVRule(3, "~/Library/Caches/com.vendor.App", 10),
        noted(BVRule(3, "com.vendor.Noted", 10), 10),
        BVRule(3, "~/everywhere", BVAllScannersIdentifier),
        BVRule(3, "~/Library/Logs/[a-z]+\\.log", 27, true),
        BVRule(3, "~/broken[", 27, true),
        BVRule(6, "/usr/bin", 10),
    });
    auto kb = f.makeKnowledgeBase();
    std::string home = f.home();
    struct Case {
        std::string path;
        BVScannerIdentifier scanner;
        bool black;
    } cases[] = {
        {home + "/Library/Caches/com.vendor.App", 10, true},
        {home + "/LIBRARY/caches/COM.VENDOR.APP", 10, true},
        {home + "/Library/Caches/com.vendor.App", 1000001, true},  // the system-junk group holds 10
        {home + "/Library/Caches/com.vendor.App", 9, false},
        {home + "/Library/Caches/com.vendor.App/inside", 10, false},
        {home + "/Library/Caches/com.vendor.Noted", 10, true},  // prefix of file type 10
        {home + "/everywhere", 61, true},
        {home + "/everywhere", 1000005, true},
        {home + "/Library/Logs/Daily.LOG", 27, true},
        {home + "/Library/Logs/daily.log.1", 27, false},  // expressions match the whole path
        {home + "/Library/Logs/daily.log", 26, false},
        {"", 10, false},
    };
    for (const Case& c : cases) EXPECT_EQ(kb->isBlackItem(c.path, c.scanner, false), c.black) << c.path << " " << c.scanner;
    // A system file counts as black when asked to check, for every scanner; in any other
    // scanner's row it is still a system file, because system files are looked up for all.
    EXPECT_TRUE(kb->isSystemFileAtPath("/usr/bin"));
    EXPECT_TRUE(kb->isBlackItem("/usr/bin", 40));
    EXPECT_FALSE(kb->isBlackItem("/usr/bin", 40, false));
}

TEST(BVKnowledgeBaseQueries, DecomposedFileNamesMatchComposedRules) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({BVRule(2, "~/caf\xc3\xa9", 10), BVRule(2, "~/r\xc3\xa9sum\xc3\xa9/.*", 10, true),
                    BVRule(2, "~/Stra\xc3\x9f" "e", 10), BVRule(2, "~/\\.cache/sk[a-z]+", 10, true)});
    auto kb = f.makeKnowledgeBase();
    EXPECT_TRUE(kb->isProtectedItem(f.home() + "/CAFE\xcc\x81", 10));        // E + combining acute
    EXPECT_TRUE(kb->isProtectedItem(f.home() + "/re\xcc\x81sume\xcc\x81/x", 10));
    // Case folding, as case-insensitive expressions fold: sharp s, and the Kelvin sign for "k".
    EXPECT_TRUE(kb->isProtectedItem(f.home() + "/STRASSE", 10));
    EXPECT_TRUE(kb->isProtectedItem(f.home() + "/.cache/s\xe2\x84\xaaip", 10));
}

TEST(BVKnowledgeBaseQueries, HandleChecksFollowTheScope) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({BVRule(6, "/etc", BVAllScannersIdentifier), BVRule(2, "~/.cache/dconf", 10),
                    BVRule(9, "~/.cache/global", 27), BVRule(3, "~/.cache/black", 10),
                    BVRule(5, "~/.var/app", 10), BVRule(7, "~/.cache/unchecked", 10)});
    auto kb = f.makeKnowledgeBase();
    std::string h = f.home();
    BVKnowledgeBaseWrapper caches(kb, 10, BVScannerIdentifiers::defaultScopeByIdentifier(10), &f.center);  // scope 29
    EXPECT_TRUE(caches.isIgnoreItem("/etc"));
    EXPECT_FALSE(caches.isIgnoreItem(h + "/.cache/dconf"));  // protected is not in scope 29
    EXPECT_TRUE(caches.isIgnoreItem(h + "/.cache/dconf", BVIgnoreScopeProtected));
    EXPECT_TRUE(caches.isIgnoreItem(h + "/.cache/global"));  // globally excluded: for all scanners
    EXPECT_TRUE(caches.isIgnoreItem(h + "/.cache/black"));
    EXPECT_FALSE(caches.isIgnoreItem(h + "/.cache/black", BVIgnoreScopeSystemFile));
    EXPECT_TRUE(caches.shouldPerformDeepSearchForItem(h + "/.var/app"));
    EXPECT_FALSE(caches.shouldSelectItem(h + "/.cache/unchecked"));
    EXPECT_TRUE(caches.shouldSelectItem(h + "/.cache/other"));
    BVKnowledgeBaseWrapper none(kb, 0, 25, &f.center);
    EXPECT_FALSE(none.shouldSelectItem(h + "/.cache/other"));
}

TEST(BVKnowledgeBaseQueries, ApplicationFilesAndFileTypes) {
    BVKnowledgeBaseFixture f;
    auto layout = std::make_shared<const BVPaths>(BVLayout::macos, f.folder.folder("home"));
    f.paths = layout;
    f.buildShipped({
        noted(BVRule(1, "Vendor App", 1), 9, "Vendor App", "com.vendor.app"),
        noted(BVRule(1, "Other[0-9]+", 1, true), 9, "Other", "com.other"),
        ofApp(BVRule(0, "~/Library/Caches/Firefox", BVAllScannersIdentifier), "Firefox", "org.mozilla.firefox"),
        ofApp(BVRule(0, "~/Library/Caches/Firefox/.*", BVAllScannersIdentifier, true), "Firefox", "org.mozilla.firefox"),
        ofApp(BVRule(0, "~/Library/Mail", 10), "Mail", "com.apple.mail"),
        executableOf("firefox", "org.mozilla.firefox"),
        executableOf("/usr/lib/firefox-esr/firefox-esr", "org.mozilla.firefox"),
        executableOf("/Applications/Mail.app/Contents/MacOS/Mail", "com.apple.mail"),
    });
    auto kb = f.makeKnowledgeBase();
    auto executables = kb->applicationExecutables();
    ASSERT_EQ(executables.size(), 2u);
    EXPECT_EQ(executables[0].bundleIdentifier, "com.apple.mail");
    EXPECT_EQ(executables[1].executables, (std::vector<std::string>{"firefox", "/usr/lib/firefox-esr/firefox-esr"}));
    std::string h = f.home();
    EXPECT_EQ(kb->fileTypeForFilePath(h + "/Library/Preferences/com.x.plist"), 14);
    EXPECT_EQ(kb->fileTypeForFilePath(h + "/Library/Other"), 13);
    EXPECT_EQ(kb->fileTypeForFilePath("/opt/x"), 0);
    EXPECT_EQ(kb->bundleIDsForApplicationFileURL(h + "/library/APPLICATION SUPPORT/vendor app", 9, 1),
              std::vector<std::string>{"com.vendor.app"});
    EXPECT_EQ(kb->bundleIDsForApplicationFileURL(h + "/Library/Application Support/Other42", 1),
              std::vector<std::string>{"com.other"});
    EXPECT_TRUE(kb->bundleIDsForApplicationFileURL(h + "/Library/Application Support/Vendor", 9, 1).empty());
    EXPECT_EQ(kb->appBundleIDsForQuittingFile(h + "/Library/Caches/Firefox/cache2/x", 27),
              std::vector<std::string>{"org.mozilla.firefox"});
    EXPECT_EQ(kb->appBundleIDsForQuittingFile(h + "/Library/Mail", 1000001), std::vector<std::string>{"com.apple.mail"});
    EXPECT_TRUE(kb->appBundleIDsForQuittingFile(h + "/Library/Mail", 27).empty());
}

TEST(BVKnowledgeBaseQueries, MissingDatabasesGiveEmptyAnswers) {
    BVKnowledgeBaseFixture f;  // nothing built
    auto kb = f.makeKnowledgeBase();
    kb->setUserDatabaseDisabled(true);
    EXPECT_FALSE(kb->appDatabase());
    EXPECT_FALSE(kb->isSystemFileAtPath("/usr"));
    EXPECT_TRUE(kb->appBundleIDsForQuittingFile("/x", 10).empty());
    EXPECT_EQ(kb->fileTypeForFilePath("/x"), 0);
    EXPECT_FALSE(kb->updateFeedURLForApplicationBundleIdentifier("com.x"));
    EXPECT_TRUE(kb->applicationExecutables().empty());
}

TEST(BVItemSet, LiteralFolderPrefixes) {
    struct Case {
        const char* pattern;
        const char* prefix;
    } cases[] = {
        {"/home/u/\\.cache/vendor/.*\\.tmp", "/home/u/.cache/vendor/"},
        {"^/Library/Caches/com\\.Apple\\.[^/]+", "/library/caches/"},
        {"/var/log/x?/y", "/var/log/"},  // optional "x": the prefix stops before it
        {"/var/log/a+/b", "/var/log/"},
        {"/a/b|/c/d", ""},                // alternation: two beginnings
        {"/a/[^/]+\\.(tmp|part)", "/a/"},  // an alternation inside a group is fine
        {"(/a/b)/c", ""},
        {".*\\.log", ""},
        {"/opt/\\d+/x", "/opt/"},
        {"/caf\xc3\xa9/x", "/"},
    };
    for (const Case& c : cases) EXPECT_EQ(BVItemSet::literalFolderPrefix(c.pattern), c.prefix) << c.pattern;
}

TEST(BVItemSet, RequiredLiterals) {
    struct Case {
        const char* pattern;
        const char* literal;
    } cases[] = {
        {".*/Thumbnails/[0-9]+\\.png", "/thumbnails/"},
        {".*/stale-x?y", "/stale-"},      // "x" may be absent
        {".*(abc|abd)+.*", ""},            // only inside a group
        {".*a|.*bcdef", ""},               // alternation: either side alone
        {".*\\.log\\.[0-9]+", ".log."},
        {".*ab", ""},                      // too short to be worth a search
    };
    for (const Case& c : cases) EXPECT_EQ(BVItemSet::requiredLiteral(c.pattern), c.literal) << c.pattern;
}

TEST(BVItemSet, IndexedAndCombinedExpressionsAgreeWithPlainMatching) {
    BVItemSet set;
    ASSERT_TRUE(set.addExpression("/home/u/\\.cache/vendor/.*\\.tmp"));
    ASSERT_TRUE(set.addExpression(".*/thumbnails/[0-9a-f]+\\.png"));
    ASSERT_TRUE(set.addExpression(".*[0-9]{4}"));
    ASSERT_TRUE(set.addExpression(".*x[0-9]z"));
    ASSERT_TRUE(set.addExpression("(/a|/b)/c"));
    // A back reference would point at another member's group inside one alternation.
    ASSERT_TRUE(set.addExpression(".*/(y)\\1"));
    EXPECT_FALSE(set.addExpression("/x/[unclosed"));
    set.addPlain("/home/u/plain");
    set.finish();
    struct Case {
        const char* path;
        bool match;
    } cases[] = {
        {"/home/u/.cache/vendor/a/b.TMP", true}, {"/home/u/.cache/vendor.tmp", false},
        {"/srv/thumbnails/00ff.png", true},      {"/srv/thumbnails/xyz.png", false},
        {"/b/c", true},                          {"/b/c/d", false},
        {"/x/yy", true},                         {"/x/y", false},
        {"/home/u/plain", true},                 {"/srv/2024", true},
        {"/srv/x5z", true},                      {"/srv/x5y", false},
    };
    for (const Case& c : cases) {
        std::string pattern;
        std::string folded = c.path;
        for (char& ch : folded) ch = char(std::tolower(ch));
        EXPECT_EQ(set.contains(folded, c.path, &pattern), c.match) << c.path;
        EXPECT_EQ(set.contains(folded, c.path), c.match) << c.path;
    }
}

TEST(BVKnowledgeBaseQueries, CompatibilityFeedsAndSuites) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({ofApp(BVRule(1, "Editor", 1), "Editor", "com.vendor.editor")});
    {
        FMEncryptedDatabase db(f.shippedPath);
        ASSERT_TRUE(db.openDatabase());
        int64_t editor = db.longForQuery("SELECT RecordID FROM Application WHERE BundleID = 'com.vendor.editor'");
        for (auto [from, version, max] : {std::tuple{"4.0", "10.0", 1}, {"4.2", "11.0", 1}, {"4.3", "12.0", 1}, {"4.0", "9.0", 0}})
            ASSERT_TRUE(db.executeUpdate("INSERT INTO AppCompatibility (CompatibleApp, BRK_Version, AppVersion, MinMaxState) VALUES (?, ?, ?, ?)",
                                         {editor, from, version, int64_t(max)}));
        ASSERT_TRUE(db.executeUpdate("INSERT INTO AppUpdateFeed (BundleID, SUFeedURL) VALUES ('com.vendor.editor', 'https://example.invalid/appcast.xml')"));
        BVData blob = *BVKnowledgeBase::blobDataForPropertyListItem(BVValue(BVDictionary{{"BVApplicationSuiteMainApps", BVArray{BVValue(editor)}}, {"color", "blue"}}));
        ASSERT_TRUE(db.executeUpdate("INSERT INTO Item (ItemType, Value, AdditionalInfo) VALUES (8, 'Vendor Suite', ?)", {blob}));
        ASSERT_TRUE(db.executeUpdate("INSERT INTO AppNote (Application, FileItem) VALUES (?, ?)", {editor, db.lastInsertRowId()}));
    }
    auto kb = f.makeKnowledgeBase();
    // A beta of 4.2.0 compares as 4.2.0: the 4.2 row applies, the 4.3 row not yet.
    EXPECT_EQ(kb->maxSupportedVersionForApp("com.vendor.editor", "4.2.0b3"), "11.0");
    EXPECT_EQ(kb->maxSupportedVersionForApp("com.vendor.editor", "4.1"), "10.0");
    EXPECT_EQ(kb->minSupportedVersionForApp("com.vendor.editor", "4.2.0r1"), "9.0");
    EXPECT_FALSE(kb->maxSupportedVersionForApp("com.vendor.editor", "3.9"));
    auto info = kb->supportedVersionInfoForApp("com.vendor.editor");
    ASSERT_EQ(info.size(), 3u);
    EXPECT_EQ(info[0].at("brk_version").stringValue(), "4.0");
    EXPECT_EQ(info[0].at("min").stringValue(), "9.0");
    EXPECT_EQ(kb->updateFeedURLForApplicationBundleIdentifier("COM.VENDOR.EDITOR"), "https://example.invalid/appcast.xml");
    auto suite = kb->applicationSuiteForApplicationName("Editor", "", "com.vendor.editor");
    ASSERT_TRUE(suite);
    EXPECT_EQ(suite->at("BVApplicationSuiteName").stringValue(), "Vendor Suite");
    EXPECT_EQ(suite->at("color").stringValue(), "blue");
    ASSERT_EQ(suite->at("BVApplicationSuiteMainApps").arrayValue().size(), 1u);
    EXPECT_EQ(BVKBApplicationInfo::fromValue(suite->at("BVApplicationSuiteMainApps").arrayValue()[0]).bundleID(), "com.vendor.editor");
    EXPECT_EQ(kb->applicationSuiteForSuiteName("Vendor Suite")->at("BVApplicationSuiteID"), suite->at("BVApplicationSuiteID"));
    EXPECT_EQ(kb->allSuiteApplicationsForSuite(*suite).size(), 1u);
    EXPECT_FALSE(kb->applicationSuiteForSuiteName("Other"));
}

namespace {
class FakeSystemInfo : public BVKnowledgeBaseSystemInfo {
public:
    explicit FakeSystemInfo(std::string home) : home_(std::move(home)) {}
    std::vector<std::string> localPreferenceFiles() const override { return {"/Library/Preferences/com.other.plist"}; }
    std::vector<std::string> userPreferenceFiles() const override {
        return {home_ + "/Library/Preferences/com.vendor.app.plist", home_ + "/Library/Preferences/com.other.plist"};
    }
    std::vector<std::string> systemReceipts() const override { return {"/private/var/db/receipts/com.vendor.pkg.bom"}; }

private:
    std::string home_;
};
}  // namespace

TEST(BVKnowledgeBaseQueries, LeftoversOfAnApplication) {
    BVKnowledgeBaseFixture f;
    f.paths = std::make_shared<const BVPaths>(BVLayout::macos, f.folder.folder("home"));
    const char* app = "Vendor App";
    const char* bundle = "com.vendor.app";
    f.buildShipped({
        noted(BVRule(1, "Vendor App", 2), 9, app, bundle),
        noted(BVRule(1, "com.vendor.app.missing", 2), 14, app, bundle),
        noted(BVRule(1, "com\\.vendor\\.app.*\\.plist", 2, true), 14, app, bundle),
        noted(BVRule(1, "VendorHelper", 2), 15, app, bundle),
        noted(BVRule(1, "com\\.vendor\\.pkg.*", 2, true), 24, app, bundle),
        noted(BVRule(1, "Vendor-[0-9]+", 2, true), 10, app, bundle),
    });
    f.folder.folder("home/Library/Application Support/Vendor App");
    f.folder.file("home/Library/Caches/Vendor-12");
    f.folder.file("home/Library/Caches/Vendor-x");
    BVKnowledgeBaseInjector::injector().setSystemInfo(std::make_shared<FakeSystemInfo>(f.home()));
    auto kb = f.makeKnowledgeBase();
    // The stored name differs: the bundle identifier alone finds the application.
    auto leftovers = kb->applicationFilesForAppName("Renamed App", bundle, 1000007);
    BVKnowledgeBaseInjector::injector().setSystemInfo(nullptr);
    std::vector<std::string> described;
    for (const auto& l : leftovers)
        described.push_back((l.count("File") ? l.at("File").stringValue() : "name:" + l.at("FileName").stringValue()) + " " +
                            std::to_string(l.at("FileType").int64Value()));
    std::string h = f.home();
    EXPECT_EQ(described, (std::vector<std::string>{
                             h + "/Library/Application Support/Vendor App 9",
                             h + "/Library/Preferences/com.vendor.app.plist 14",
                             "name:VendorHelper 15",  // a name-only leftover is reported though no file exists
                             "name:com.vendor.pkg 15",
                             h + "/Library/Caches/Vendor-12 10",
                         }));
    EXPECT_TRUE(kb->applicationFilesForAppName("", "", 2).empty());
    EXPECT_TRUE(kb->applicationFilesForAppName("Vendor App", "com.unknown", 2).empty());
}
