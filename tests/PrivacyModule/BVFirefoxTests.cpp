// Firefox: the scan of the profile in use on a profile of the real shape, and the clean of each
// kind. After every clean the store passes its integrity and foreign-key checks and every row
// that was not chosen is still there, unchanged; a locked store gives the scan an error and the
// clean a failure naming the browser, and changes nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "PrivacyModule/Sources/BVPrivacyGroupModel.h"
#include "PrivacyModule/Sources/Tasks/Firefox/BVFirefoxItemsTask.h"
#include "PrivacyModule/Sources/Tasks/Firefox/BVFirefoxScanTasks.h"
#include "ScanningService/CoreScanning/BVCleanTaskResult.h"
#include "ScanningService/CoreScanning/BVModelCleanTask.h"
#include "tests/PrivacyModule/BVPrivacyFixtures.h"

namespace {

struct FirefoxProfile : BVPrivacyHome {
    std::string profile;
    FirefoxProfile() {
        make({"firefox"});
        profile = home() + "/.mozilla/firefox/inuse.default-esr";
    }
    std::string places() const { return profile + "/places.sqlite"; }
    std::string cookies() const { return profile + "/cookies.sqlite"; }
    std::string forms() const { return profile + "/formhistory.sqlite"; }

    BVScanResultPtr scan() const { return BVFirefoxItemsTask(factory()).scan(); }
    // Cleans the entries of `kind` shown with one of `prefixes`, the browser not running.
    BVCleanTaskResultPtr clean(const char* kind, const std::vector<std::string>& prefixes, bool browserRuns = false) const {
        auto group = std::dynamic_pointer_cast<BVPrivacyGroupModel>(BVGroupNamed(scan(), kind));
        EXPECT_TRUE(group) << kind;
        if (!group) return nullptr;
        auto chosen = BVChildrenShowing(group, prefixes);
        EXPECT_EQ(chosen.size(), prefixes.size()) << kind;
        auto task = group->cleanTaskForRemovingEntries(chosen);
        if (!browserRuns)
            for (const auto& d : task->dependencies()) d->fulfill();
        return task->perform();
    }
};

}  // namespace

TEST(BVFirefoxScan, EveryKindOfTheProfileInUseShowsSitesAndCountsNeverRowIdentifiers) {
    FirefoxProfile home;
    auto result = home.scan();
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->error()) << result->error()->localizedDescription();
    EXPECT_EQ(result->identifier(), BVPrivacyModuleScanIdentifierFirefox);
    std::vector<std::string> kinds;
    for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{})) kinds.push_back(item->value()->description());
    EXPECT_EQ(kinds, (std::vector<std::string>{BVPrivacyModuleScanIdentifierFirefoxCookies, BVPrivacyModuleScanIdentifierFirefoxBrowsingHistory,
                                               BVPrivacyModuleScanIdentifierFirefoxDownloadsHistory, BVPrivacyModuleScanIdentifierFirefoxAutofillValues,
                                               BVPrivacyModuleScanIdentifierFirefoxLastSessionTabs, BVPrivacyModuleScanIdentifierFirefoxSavedPasswords}));
    // The cookie without a host is not listed.
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierFirefoxCookies)),
              (std::vector<std::string>{".example.com (2 cookies)", "127.0.0.1 (1 cookie)", "news.example.org (1 cookie)"}));
    // Pages with a visit other than a download; a file page is "localhost"; the bookmark that
    // was never visited is not history.
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierFirefoxBrowsingHistory)),
              (std::vector<std::string>{"www.example.com (2 pages)", "news.example.org (1 page)", "bookmarked.example.net (1 page)",
                                        "localhost (1 page)", "127.0.0.1 (1 page)"}));
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierFirefoxDownloadsHistory)),
              (std::vector<std::string>{"report final.pdf"}));
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierFirefoxAutofillValues)),
              (std::vector<std::string>{"email: someone@example.com", "q: hello", "q: world"}));
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierFirefoxLastSessionTabs)),
              (std::vector<std::string>{home.profile + "/sessionstore.jsonlz4", home.profile + "/sessionstore-backups"}));
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierFirefoxSavedPasswords)),
              (std::vector<std::string>{"www.example.com (2 logins)", "news.example.org (1 login)"}));
    // Nothing is preselected, and a group that holds entries is blocked while Firefox runs.
    EXPECT_EQ(result->selectedSize(), 0u);
    auto cookies = BVGroupNamed(result, BVPrivacyModuleScanIdentifierFirefoxCookies);
    ASSERT_FALSE(cookies->dependencies().empty());
    EXPECT_EQ(cookies->dependencies().front()->applicationBundleID(), BVFirefoxBundleIdentifier);
}

TEST(BVFirefoxScan, WithoutAProfileEveryKindIsAnEmptyGroup) {
    BVPrivacyHome home;
    auto result = BVFirefoxItemsTask(home.factory()).scan();
    ASSERT_TRUE(result->items());
    EXPECT_EQ(result->items()->size(), 6u);
    for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{})) EXPECT_TRUE(BVShownChildren(std::dynamic_pointer_cast<BVTreeEntity>(item)).empty());
    EXPECT_FALSE(result->error());
}

TEST(BVFirefoxClean, CookiesOfTheChosenHostsGoAndNoOtherRow) {
    FirefoxProfile home;
    auto before = BVTableRows(home.cookies(), "moz_cookies");
    auto unused = BVTableRows(home.home() + "/.mozilla/firefox/unused.default/cookies.sqlite", "moz_cookies");
    EXPECT_EQ(BVResultStates(home.clean(BVPrivacyModuleScanIdentifierFirefoxCookies, {".example.com", "127.0.0.1"})),
              (std::vector<uint64_t>{1, 1}));
    EXPECT_EQ(BVDatabaseProblems(home.cookies()), "");
    auto after = BVTableRows(home.cookies(), "moz_cookies");
    EXPECT_EQ(BVRowsGone(before, after).size(), 3u);
    EXPECT_EQ(BVRowsGone(after, before).size(), 0u) << "no row changed";
    EXPECT_EQ(BVColumnTexts(home.cookies(), "SELECT host FROM moz_cookies ORDER BY id"), (std::vector<std::string>{"news.example.org", ""}));
    EXPECT_EQ(BVTableRows(home.home() + "/.mozilla/firefox/unused.default/cookies.sqlite", "moz_cookies"), unused)
        << "the profile that is not in use is never touched";
}

TEST(BVFirefoxClean, HistoryOfASiteTakesItsVisitsAndWhatHangsOnThemOnly) {
    FirefoxProfile home;
    std::map<std::string, std::set<std::string>> before;
    for (const auto& table : BVTableNames(home.places())) before[table] = BVTableRows(home.places(), table);
    EXPECT_EQ(BVResultStates(home.clean(BVPrivacyModuleScanIdentifierFirefoxBrowsingHistory, {"www.example.com"})),
              (std::vector<uint64_t>{1}));
    EXPECT_EQ(BVDatabaseProblems(home.places()), "");
    auto texts = [&](const std::string& q) { return BVColumnTexts(home.places(), q); };
    EXPECT_EQ(texts("SELECT id FROM moz_places ORDER BY id"), (std::vector<std::string>{"3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(texts("SELECT id FROM moz_historyvisits ORDER BY id"), (std::vector<std::string>{"3", "4", "5", "6", "8"}));
    // The visit that came from a removed page, and was triggered by one, no longer points at it.
    EXPECT_EQ(texts("SELECT from_visit || ',' || IFNULL(triggeringPlaceId, 'NULL') FROM moz_historyvisits WHERE id = 3"),
              (std::vector<std::string>{"0,NULL"}));
    EXPECT_EQ(texts("SELECT visit_id FROM moz_historyvisits_extra"), (std::vector<std::string>{"8"}));
    EXPECT_EQ(texts("SELECT place_id FROM moz_inputhistory"), (std::vector<std::string>{"8"}));
    EXPECT_EQ(texts("SELECT id FROM moz_places_metadata"), (std::vector<std::string>{"2"})) << "a page referred from a removed one";
    EXPECT_EQ(texts("SELECT COUNT(*) FROM moz_places_metadata_search_queries"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(texts("SELECT place_id FROM moz_places_extra"), (std::vector<std::string>{"8"}));
    EXPECT_EQ(texts("SELECT place_id FROM moz_newtab_shortcuts_interaction"), (std::vector<std::string>{"8"}));
    EXPECT_EQ(texts("SELECT host FROM moz_origins ORDER BY id"),
              (std::vector<std::string>{"news.example.org", "127.0.0.1:8765", "bookmarked.example.net", "", "downloads.example.com"}));
    // Every row of the untouched tables, and every row of the touched ones that was not chosen,
    // is still there as it was.
    for (const char* table : {"moz_bookmarks", "moz_annos", "moz_anno_attributes", "moz_keywords", "moz_meta"})
        EXPECT_EQ(BVTableRows(home.places(), table), before[table]) << table;
    auto places = BVTableRows(home.places(), "moz_places");
    EXPECT_EQ(BVRowsGone(before["moz_places"], places).size(), 2u);
    EXPECT_EQ(BVRowsGone(places, before["moz_places"]).size(), 0u);
    auto visits = BVTableRows(home.places(), "moz_historyvisits");
    EXPECT_EQ(BVRowsGone(before["moz_historyvisits"], visits).size(), 4u) << "three removed, one pointed elsewhere";
}

TEST(BVFirefoxClean, ABookmarkedPageLosesItsVisitsButStays) {
    FirefoxProfile home;
    auto bookmarks = BVTableRows(home.places(), "moz_bookmarks");
    EXPECT_EQ(BVResultStates(home.clean(BVPrivacyModuleScanIdentifierFirefoxBrowsingHistory, {"bookmarked.example.net"})),
              (std::vector<uint64_t>{1}));
    EXPECT_EQ(BVDatabaseProblems(home.places()), "");
    EXPECT_EQ(BVColumnTexts(home.places(), "SELECT id || ':' || visit_count || ':' || IFNULL(last_visit_date, 'NULL') FROM moz_places WHERE id IN (4, 7) ORDER BY id"),
              (std::vector<std::string>{"4:0:NULL", "7:1:1765000000000000"}));
    EXPECT_EQ(BVColumnTexts(home.places(), "SELECT COUNT(*) FROM moz_historyvisits WHERE place_id = 4"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(BVTableRows(home.places(), "moz_bookmarks"), bookmarks);
    EXPECT_EQ(BVColumnTexts(home.places(), "SELECT COUNT(*) FROM moz_origins WHERE host = 'bookmarked.example.net'"),
              (std::vector<std::string>{"1"}));
}

TEST(BVFirefoxClean, ADownloadTakesItsPageAnnotationsAndOrigin) {
    FirefoxProfile home;
    EXPECT_EQ(BVResultStates(home.clean(BVPrivacyModuleScanIdentifierFirefoxDownloadsHistory, {"report final.pdf"})),
              (std::vector<uint64_t>{1}));
    EXPECT_EQ(BVDatabaseProblems(home.places()), "");
    EXPECT_EQ(BVColumnTexts(home.places(), "SELECT COUNT(*) FROM moz_places WHERE id = 6"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(BVColumnTexts(home.places(), "SELECT COUNT(*) FROM moz_annos"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(BVColumnTexts(home.places(), "SELECT COUNT(*) FROM moz_places"), (std::vector<std::string>{"7"}));
    EXPECT_EQ(BVColumnTexts(home.places(), "SELECT COUNT(*) FROM moz_origins WHERE host = 'downloads.example.com'"),
              (std::vector<std::string>{"0"}));
    auto rescan = home.scan();
    EXPECT_TRUE(BVShownChildren(BVGroupNamed(rescan, BVPrivacyModuleScanIdentifierFirefoxDownloadsHistory)).empty());
}

TEST(BVFirefoxClean, FormValuesTakeTheirSourcesAndLeaveATombstoneForSync) {
    FirefoxProfile home;
    EXPECT_EQ(BVResultStates(home.clean(BVPrivacyModuleScanIdentifierFirefoxAutofillValues, {"q: hello"})), (std::vector<uint64_t>{1}));
    EXPECT_EQ(BVDatabaseProblems(home.forms()), "");
    EXPECT_EQ(BVColumnTexts(home.forms(), "SELECT value FROM moz_formhistory ORDER BY id"),
              (std::vector<std::string>{"world", "someone@example.com"}));
    EXPECT_EQ(BVColumnTexts(home.forms(), "SELECT history_id FROM moz_history_to_sources"), (std::vector<std::string>{"3"}));
    EXPECT_EQ(BVColumnTexts(home.forms(), "SELECT source FROM moz_sources"), (std::vector<std::string>{"https://news.example.org/"}));
    EXPECT_EQ(BVColumnTexts(home.forms(), "SELECT guid FROM moz_deleted_formhistory"), (std::vector<std::string>{"form0001"}));
}

TEST(BVFirefoxClean, SavedLoginsOfAHostGoFromTheFileWhichKeepsItsOtherKeysAndPermissions) {
    FirefoxProfile home;
    std::string logins = home.profile + "/logins.json";
    EXPECT_EQ(BVResultStates(home.clean(BVPrivacyModuleScanIdentifierFirefoxSavedPasswords, {"www.example.com"})),
              (std::vector<uint64_t>{1, }));
    auto document = nlohmann::json::parse(BVReadText(logins));
    ASSERT_EQ(document["logins"].size(), 1u);
    EXPECT_EQ(document["logins"][0]["hostname"], "https://news.example.org");
    EXPECT_EQ(document["nextId"], 4);
    EXPECT_EQ(document["version"], 3);
    EXPECT_TRUE(document.contains("potentiallyVulnerablePasswords"));
    struct stat st {};
    ASSERT_EQ(::stat(logins.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "a file of passwords stays readable by its owner only";
}

TEST(BVFirefoxClean, WhileTheBrowserRunsNothingIsTouched) {
    FirefoxProfile home;
    auto before = BVTableRows(home.cookies(), "moz_cookies");
    auto result = home.clean(BVPrivacyModuleScanIdentifierFirefoxCookies, {".example.com"}, /*browserRuns=*/true);
    ASSERT_EQ(BVResultStates(result), (std::vector<uint64_t>{2}));
    EXPECT_EQ(result->results()[0]->errors().front().code(), BVEntityErrorDependantApplication);
    EXPECT_EQ(BVTableRows(home.cookies(), "moz_cookies"), before);
}

TEST(BVFirefoxLocked, ALockedStoreIsTheScansErrorAndTheCleansFailureNamingTheBrowser) {
    FirefoxProfile home;
    auto history = std::dynamic_pointer_cast<BVPrivacyGroupModel>(BVGroupNamed(home.scan(), BVPrivacyModuleScanIdentifierFirefoxBrowsingHistory));
    ASSERT_TRUE(history);
    auto chosen = BVChildrenShowing(history, {"www.example.com"});
    std::map<std::string, std::set<std::string>> before;
    for (const auto& table : BVTableNames(home.places())) before[table] = BVTableRows(home.places(), table);
    {
        BVDatabaseLock lock(home.places());
        ASSERT_TRUE(lock.held());
        auto result = home.scan();
        ASSERT_TRUE(result->error());
        EXPECT_NE(result->error()->localizedDescription().find("Firefox is using ~/.mozilla/firefox/inuse.default-esr/places.sqlite"),
                  std::string::npos)
            << result->error()->localizedDescription();
        std::string description = result->error()->localizedDescription();
        EXPECT_EQ(description.find("places.sqlite"), description.rfind("places.sqlite"))
            << "history and downloads share the store: its lock is reported once\n" << description;
        EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierFirefoxCookies)).size(), 3u)
            << "the other stores are still listed";
        EXPECT_TRUE(BVGroupNamed(result, BVPrivacyModuleScanIdentifierFirefoxBrowsingHistory)) << "the locked kind shows as an empty group";

        auto task = history->cleanTaskForRemovingEntries(chosen);
        for (const auto& d : task->dependencies()) d->fulfill();
        auto cleaned = task->perform();
        ASSERT_EQ(BVResultStates(cleaned), (std::vector<uint64_t>{2}));
        std::string text = cleaned->results()[0]->errors().front().localizedDescription();
        EXPECT_NE(text.find("Firefox"), std::string::npos) << text;
        EXPECT_NE(text.find("database is locked"), std::string::npos) << text;
    }
    for (const auto& table : BVTableNames(home.places())) EXPECT_EQ(BVTableRows(home.places(), table), before[table]) << table;
}

TEST(BVFirefoxClean, AStatementMissingFromTheKnowledgeBaseRemovesNothing) {
    BVPrivacyHome home(BVLayout::linux, {"Applications.rules"});
    home.make({"firefox"});
    std::string places = home.home() + "/.mozilla/firefox/inuse.default-esr/places.sqlite";
    auto before = BVTableRows(places, "moz_places");
    auto controller = std::make_shared<BVFirefoxBrowsingHistoryController>(home.factory().firefoxBrowsingHistoryDatabaseController());
    BVError error;
    auto rows = controller->fetchBrowsingHistoryItemsWithError(&error);
    ASSERT_TRUE(rows);
    EXPECT_TRUE(rows->empty()) << "a fetch without its statement finds nothing";
    EXPECT_FALSE(controller->removeBrowsingHistoryItems({BVPrivacyRow{{"id", BVValue(int64_t(1))}}}, &error));
    EXPECT_EQ(error.localizedDescription(), "Cannot get information about places query for FireFox from KnowledgeBase");
    EXPECT_EQ(BVTableRows(places, "moz_places"), before);
}
