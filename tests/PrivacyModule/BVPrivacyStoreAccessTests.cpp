// Store access: statements from the knowledge base and how they are filled, the database
// controller on real-shaped stores (missing, locked, not a file), the transaction around every
// change, and finding the profiles in use on both layouts.
#include <gtest/gtest.h>

#include "Foundation/BVFileIO.h"
#include "PrivacyModule/Sources/Tools/BVJSONReader.h"
#include "PrivacyModule/Sources/Tools/Chrome/BVChromePreferences.h"
#include "PrivacyModule/Sources/Tools/Database/BVPrivacyStatement.h"
#include "PrivacyModule/Sources/Tools/Firefox/BVFirefoxProfiles.h"
#include "PrivacyModule/Sources/Tools/Skype/BVSkypeAccount.h"
#include "tests/PrivacyModule/BVPrivacyFixtures.h"

TEST(BVPrivacyStatement, PlaceholdersAreFilledInOrderOrByPosition) {
    struct Case {
        const char* format;
        std::vector<std::string> arguments;
        const char* expected;
    } cases[] = {
        {"DELETE FROM t WHERE id IN (%@)", {"1,2"}, "DELETE FROM t WHERE id IN (1,2)"},
        {"a %@ b %@ c %@", {"1", "2"}, "a 1 b 2 c NULL"},
        {"IN (%1$@) OR x IN (%1$@) AND %2$@", {"7, 8", "9"}, "IN (7, 8) OR x IN (7, 8) AND 9"},
        {"strftime('%%s', 'now') LIKE 'downloads/%'", {}, "strftime('%s', 'now') LIKE 'downloads/%'"},
        {"%0$@ %3$@ %", {"1"}, "NULL NULL %"},
    };
    for (const auto& c : cases) EXPECT_EQ(BVPrivacyStatement::format(c.format, c.arguments), c.expected) << c.format;
    EXPECT_EQ(BVPrivacyStatement::joinedIdentifiers({3, 1, 2}, ", "), "3, 1, 2");
}

TEST(BVPrivacyDatabaseController, EveryShippedStatementIsStoredUnderItsKey) {
    BVPrivacyHome home;
    home.make({"firefox"});
    auto controller = home.factory().firefoxCookiesDatabaseController();
    ASSERT_TRUE(controller);
    for (const char* key : {"PrivacyFirefoxCookiesQuery", "PrivacyFirefoxRemoveCookiesQuery", "PrivacyFirefoxHistoryQuery",
                            "PrivacyFirefoxDownloadsQuery", "PrivacyFirefoxRemoveHistoryPlacesQuery",
                            "PrivacyFirefoxRemoveHistoryVisitsQuery", "PrivacyFirefoxAutofillItemsQuery",
                            "PrivacyFirefoxRemoveAutofillQuery", "PrivacySafariHistoryQuery", "PrivacySafariHistoryRemoveQuery",
                            "PrivacySafariHistoryItemsRemoveQuery", "PrivacySkypeCallHistoryQuery",
                            "PrivacySkypeConversationHistoryQuery", "PrivacySkypeFileTransfersQuery",
                            "PrivacySkypeRemoveConversationHistoryQuery", "PrivacySkypeRemoveRecentsConvoQuery",
                            "PrivacySkypeRemoveRecentsLastTimestampQuery", "PrivacySkypeRemoveRecentsUpdateTimestampQuery"})
        EXPECT_TRUE(controller->queryFromKnowledgeBaseForKey(key)) << key;
    EXPECT_FALSE(controller->queryFromKnowledgeBaseForKey("PrivacyNoSuchQuery"));
    auto rows = controller->objectsForQuery(*controller->queryFromKnowledgeBaseForKey("PrivacyFirefoxCookiesQuery"));
    ASSERT_TRUE(rows) << controller->error()->localizedDescription();
    ASSERT_EQ(rows->size(), 5u);
    EXPECT_EQ((*rows)[0].at("host"), BVValue(""));
    EXPECT_EQ((*rows)[1].at("host"), BVValue(".example.com"));
    EXPECT_TRUE((*rows)[1].at("id").isInteger());
}

TEST(BVPrivacyDatabaseController, AMissingLockedOrFakeDatabaseFailsAtOnceNamingTheApplication) {
    BVPrivacyHome home;
    home.make({"firefox"});
    std::string profile = home / ".mozilla/firefox/inuse.default-esr";
    BVPrivacyDatabaseController missing(profile, "absent.sqlite", "Firefox", home.fileManager, home.paths, home.knowledgeBase);
    EXPECT_FALSE(missing.objectsForQuery("SELECT 1"));
    ASSERT_TRUE(missing.error());
    EXPECT_EQ(missing.error()->domain(), BVPrivacyErrorDomain);
    EXPECT_EQ(missing.error()->code(), 1);
    EXPECT_FALSE(home.fileManager->fileExistsAtPath(profile + "/absent.sqlite")) << "opening must never create the database";

    {
        BVDatabaseLock lock(profile + "/places.sqlite");
        ASSERT_TRUE(lock.held());
        BVPrivacyDatabaseController locked(profile, "places.sqlite", "Firefox", home.fileManager, home.paths, home.knowledgeBase);
        EXPECT_FALSE(locked.objectsForQuery("SELECT id FROM moz_places"));
        ASSERT_TRUE(locked.error());
        EXPECT_EQ(locked.error()->code() & 0xff, 5) << locked.error()->localizedDescription();  // SQLITE_BUSY
        EXPECT_NE(locked.error()->localizedDescription().find("Firefox"), std::string::npos);
        EXPECT_NE(locked.error()->localizedDescription().find("database is locked"), std::string::npos);
        EXPECT_NE(locked.error()->localizedDescription().find("~/.mozilla/firefox/inuse.default-esr/places.sqlite"), std::string::npos);
    }

    BVTemporaryFolder elsewhere;
    std::string target = elsewhere.fileWithText("other.sqlite", "");
    ::unlink((profile + "/formhistory.sqlite").c_str());
    ASSERT_EQ(::symlink(target.c_str(), (profile + "/formhistory.sqlite").c_str()), 0);
    BVPrivacyDatabaseController linked(profile, "formhistory.sqlite", "Firefox", home.fileManager, home.paths, home.knowledgeBase);
    EXPECT_FALSE(linked.performQuery("CREATE TABLE x (y)"));
    ASSERT_TRUE(linked.error());
    EXPECT_NE(linked.error()->localizedDescription().find("a link"), std::string::npos) << linked.error()->localizedDescription();

    std::string notADatabase = home.kb.folder.fileWithText("home/.mozilla/firefox/inuse.default-esr/garbage.sqlite", "not sqlite at all");
    BVPrivacyDatabaseController garbage(profile, "garbage.sqlite", "Firefox", home.fileManager, home.paths, home.knowledgeBase);
    EXPECT_FALSE(garbage.objectsForQuery("SELECT 1"));
    ASSERT_TRUE(garbage.error());
    EXPECT_EQ(garbage.error()->code(), 26) << garbage.error()->localizedDescription();  // SQLITE_NOTADB
    EXPECT_EQ(BVReadText(notADatabase), "not sqlite at all");
}

TEST(BVPrivacyDatabaseController, ATransactionThatFailsChangesNothing) {
    BVPrivacyHome home;
    home.make({"firefox"});
    std::string profile = home / ".mozilla/firefox/inuse.default-esr";
    auto before = BVTableRows(profile + "/cookies.sqlite", "moz_cookies");
    auto controller = home.factory().firefoxCookiesDatabaseController();
    EXPECT_FALSE(controller->performInTransaction([&] {
        bool first = controller->performQuery("DELETE FROM moz_cookies WHERE id = 1");
        bool second = controller->performQuery("DELETE FROM moz_no_such_table");
        return first && second;
    }));
    ASSERT_TRUE(controller->error());
    EXPECT_NE(controller->error()->localizedDescription().find("no such table"), std::string::npos);
    controller->closeConnection();
    EXPECT_EQ(BVTableRows(profile + "/cookies.sqlite", "moz_cookies"), before);
    EXPECT_TRUE(controller->performInTransaction([&] { return controller->performQuery("DELETE FROM moz_cookies WHERE id = 1"); }));
    controller->closeConnection();
    EXPECT_EQ(BVTableRows(profile + "/cookies.sqlite", "moz_cookies").size(), before.size() - 1);
    EXPECT_EQ(BVDatabaseProblems(profile + "/cookies.sqlite"), "");
}

TEST(BVFirefoxProfiles, TheProfileInUseIsTheInstallDefaultThenTheMarkedOneThenTheFirst) {
    struct Case {
        const char* ini;
        const char* expected;  // relative to the folder; "" for none
    } cases[] = {
        {"[Profile1]\nPath=old.default\nDefault=1\n[Profile0]\nPath=new.default-esr\n[Install1]\nDefault=new.default-esr\n", "new.default-esr"},
        {"[Profile0]\nPath=a\n[Profile1]\nPath=b\nDefault=1\n", "b"},
        {"[Profile0]\nName=only\nIsRelative=1\nPath=first\n[Profile1]\nPath=second\n", "first"},
        {"[General]\nStartWithLastProfile=1\n", ""},
        {"[Profile0]\nPath=\n", ""},
        {"[Profile0]\nIsRelative=0\nPath=/elsewhere/profile\n", "/elsewhere/profile"},
    };
    for (const auto& c : cases) {
        auto profile = BVFirefoxProfiles::profileInUse(BVFirefoxProfiles::parseProfilesINI(c.ini, "/h/.mozilla/firefox"));
        std::string expected = c.expected;
        if (expected.empty()) EXPECT_FALSE(profile) << c.ini;
        else EXPECT_EQ(profile.value_or("none"), expected[0] == '/' ? expected : "/h/.mozilla/firefox/" + expected) << c.ini;
    }
}

TEST(BVFirefoxProfiles, EachLayoutFindsTheProfilesWhereTheBrowserKeepsThem) {
    struct Case {
        BVLayout layout;
        const char* store;
        const char* profile;
    } cases[] = {
        {BVLayout::linux, "firefox", ".mozilla/firefox/inuse.default-esr"},
        {BVLayout::linux, "firefox-xdg", ".config/mozilla/firefox/inuse.default-esr"},
        {BVLayout::macos, "firefox", "Library/Application Support/Firefox/inuse.default-esr"},
    };
    for (const auto& c : cases) {
        BVPrivacyHome home(c.layout);
        EXPECT_FALSE(home.factory().firefoxAccountPath()) << "no profile before the browser made one";
        EXPECT_FALSE(home.factory().firefoxCookiesDatabaseController());
        home.make({c.store});
        EXPECT_EQ(home.factory().firefoxAccountPath().value_or("none"), home / c.profile);
    }
    // Both linux places: ~/.mozilla/firefox wins while it exists.
    BVPrivacyHome both;
    both.make({"firefox-xdg"});
    both.kb.folder.folder("home/.mozilla/firefox");
    EXPECT_FALSE(both.factory().firefoxAccountPath()) << "an empty ~/.mozilla/firefox is the folder in use";
}

TEST(BVChromePreferences, TheActiveProfileComesFromLocalState) {
    BVPrivacyHome home;
    home.make({"chromium"});
    BVJSONReader reader(home.paths);
    std::string folder = home / ".config/chromium";
    EXPECT_EQ(BVChromePreferences::activeProfilePath(folder, reader).value_or("none"), folder + "/Default");
    home.kb.folder.fileWithText("home/.config/chromium/Local State", R"({"profile": {"last_used": "Profile 2"}})");
    EXPECT_EQ(BVChromePreferences::activeProfilePath(folder, reader).value_or("none"), folder + "/Profile 2");
    home.kb.folder.fileWithText("home/.config/chromium/Local State", R"({"profile": {"last_used": "../../elsewhere"}})");
    EXPECT_FALSE(BVChromePreferences::activeProfilePath(folder, reader)) << "a profile name is a folder of the browser's";
    home.kb.folder.fileWithText("home/.config/chromium/Local State", "{not json");
    EXPECT_FALSE(BVChromePreferences::activeProfilePath(folder, reader));

    auto profiles = BVChromePreferences::allProfilesPreferences(folder, home.paths);
    ASSERT_EQ(profiles.size(), 1u);
    EXPECT_EQ(profiles[0]->profileName(), "Person 1");
    EXPECT_FALSE(profiles[0]->loggedIn());
    EXPECT_FALSE(profiles[0]->historySynced());
}

TEST(BVChromePreferences, SyncFlagsFollowTheSettingsThenTheSyncStore) {
    BVPrivacyHome home;
    home.make({"chrome"});
    std::string folder = home / ".config/google-chrome";
    home.kb.folder.fileWithText("home/.config/google-chrome/Default/Preferences",
                                R"({"account_info": [{"account_id": "x"}], "sync": {"autofill": false}, "extensions": {"settings": {"abc": {"state": 1, "manifest": {"name": "Ext"}}}}})");
    FMDatabase store(folder + "/Default/Sync Data/SyncData.sqlite3");
    BVFileIO::createDirectories(folder + "/Default/Sync Data");
    ASSERT_TRUE(store.open());
    ASSERT_TRUE(store.executeStatements("CREATE TABLE metas (unique_server_tag TEXT); INSERT INTO metas VALUES ('google_chrome_history_delete_directives'), ('');"));
    store.close();
    auto profile = BVChromePreferences::withProfileDirectoryName(folder, "Default", home.paths);
    ASSERT_TRUE(profile);
    EXPECT_TRUE(profile->loggedIn());
    EXPECT_TRUE(profile->historySynced()) << "the sync store's tag names it";
    EXPECT_FALSE(profile->autofillSynced()) << "the settings' key decides";
    EXPECT_FALSE(profile->passwordsSynced());
    ASSERT_TRUE(profile->settingsForExtension("abc"));
    EXPECT_EQ(profile->settingsForExtension("abc")->name(), "Ext");
    profile->removeSettingsForExtension("abc");
    profile->save();
    auto again = BVChromePreferences::withProfileDirectoryName(folder, "Default", home.paths);
    EXPECT_FALSE(again->settingsForExtension("abc"));
    EXPECT_TRUE(again->loggedIn()) << "the rest of the file is kept";
}

TEST(BVSkypeAccount, TheAccountWithTheLatestTimestampWinsTheFirstOfEqualOnes) {
    BVPrivacyHome home(BVLayout::macos);
    EXPECT_FALSE(BVSkypeAccount::skypeAccountPath(*home.paths, *home.fileManager));
    home.make({"skype"});
    EXPECT_EQ(BVSkypeAccount::skypeAccountPath(*home.paths, *home.fileManager).value_or("none"),
              home / "Library/Application Support/Skype/live.account");
    BVPrivacyHome linux;
    linux.make({"skype"});
    EXPECT_FALSE(BVSkypeAccount::skypeAccountPath(*linux.paths, *linux.fileManager)) << "the chat client has no store on linux";
}
