// Safari (macos layout) and the Chrome family: the scans on stores of the real shape, the
// history clean with its redirect chains, the download list rewritten with its other keys, the
// cookie store, the files of the last session, and the refusals while the browser runs or holds
// its store.
#include <gtest/gtest.h>

#include "Foundation/BVPlistCodec.h"
#include "PrivacyModule/Sources/Tasks/Chrome/BVChromeItemsTask.h"
#include "PrivacyModule/Sources/Tasks/Safari/BVSafariItemsTask.h"
#include "PrivacyModule/Sources/Tasks/Safari/BVSafariScanTasks.h"
#include "ScanningService/CoreScanning/BVCleanTaskResult.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVModelCleanTask.h"
#include "tests/PrivacyModule/BVPrivacyFixtures.h"

namespace {

// A scripted platform cookie store that records what was deleted.
struct FakeCookieStorage : BVHTTPCookieStorage {
    std::vector<BVHTTPCookie> stored;
    std::vector<BVHTTPCookie> deleted;
    std::vector<BVHTTPCookie> cookies() const override { return stored; }
    void deleteCookie(const BVHTTPCookie& cookie) override { deleted.push_back(cookie); }
};

BVHTTPCookie cookie(const std::string& domain, const std::string& name, bool created = true) {
    BVDictionary properties{{"Name", BVValue(name)}};
    if (created) properties["Created"] = BVValue(1.0);
    return {domain, name, "/", properties};
}

struct SafariHome : BVPrivacyHome {
    std::shared_ptr<FakeCookieStorage> cookies = std::make_shared<FakeCookieStorage>();
    SafariHome() : BVPrivacyHome(BVLayout::macos) {
        make({"safari"});
        cookies->stored = {cookie("www.example.com", "a"), cookie("www.example.com", "b"), cookie(".quillon.com", "own"),
                           cookie("", "nodomain"), cookie("news.example.org", "uncreated", false)};
    }
    std::string history() const { return home() + "/Library/Safari/History.db"; }
    BVScanResultPtr scan() const { return BVSafariItemsTask(factory(), cookies).scan(); }
    BVCleanTaskResultPtr clean(const char* kind, const std::vector<std::string>& prefixes, bool running = false) const {
        auto group = std::dynamic_pointer_cast<BVPrivacyGroupModel>(BVGroupNamed(scan(), kind));
        EXPECT_TRUE(group) << kind;
        if (!group) return nullptr;
        auto chosen = BVChildrenShowing(group, prefixes);
        EXPECT_EQ(chosen.size(), prefixes.size());
        auto task = group->cleanTaskForRemovingEntries(chosen);
        if (!running)
            for (const auto& d : task->dependencies()) d->fulfill();
        return task->perform();
    }
};

}  // namespace

TEST(BVSafariScan, SitesDownloadsFilesCookiesAndLocalStorage) {
    SafariHome home;
    auto result = home.scan();
    EXPECT_FALSE(result->error());
    // An empty title is the host; titles differing in case are two sites.
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierSafariBrowsingHistory)),
              (std::vector<std::string>{"Example (1 visit)", "www.example.com (1 visit)", "News (1 visit)", "short.example (1 visit)",
                                        "Target (1 visit)", "example (1 visit)"}));
    // A download whose file is gone and whose entry has no date is not listed, nor one without
    // an identifier.
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierSafariDownloadsHistory)),
              (std::vector<std::string>{"present.zip", "dated.pdf"}));
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierSafariAutofillValues)),
              (std::vector<std::string>{home / "Library/Safari/Form Values"}));
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierSafariLastSessionTabs)),
              (std::vector<std::string>{home / "Library/Safari/LastSession.plist"}));
    // The maker's own domain, cookies without a domain or a creation date are not listed.
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierSafariCookies)),
              (std::vector<std::string>{"www.example.com (2 cookies)"}));
    // "file__" origins, other extensions and names without "_" are not local storage of a site.
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierSafariLocalStorage)),
              (std::vector<std::string>{"news.example.org (1 file)", "www.example.com (1 file)"}));

    BVPrivacyHome linux;
    auto none = BVSafariItemsTask(linux.factory(), nullptr).scan();
    ASSERT_TRUE(none->items());
    EXPECT_EQ(none->items()->size(), 6u) << "the linux layout has no Safari folder: six empty groups";
}

TEST(BVSafariLocalStorage, TheSiteIsTheHostAfterTheScheme) {
    struct Case {
        const char* name;
        const char* site;
    } cases[] = {{"https_www.example.com_0.localstorage", "www.example.com"}, {"http_old.example_0.localstorage", "old.example"},
                 {"legacy.example_0.localstorage", "legacy.example"},        {"sub/https_a.example_0.localstorage", "a.example"},
                 {"https_www.quillon.com_0.localstorage", ""},                {"file__0.localstorage", ""},
                 {"https_www.example.com_0.localstorage-wal", ""},            {"plain.localstorage", ""}};
    for (const auto& c : cases) EXPECT_EQ(BVSafariLocalStorageSite(c.name).value_or(""), c.site) << c.name;
}

TEST(BVSafariClean, AVisitGoesWithItsRedirectChainAndPagesLeftWithoutVisits) {
    SafariHome home;
    auto items = BVTableRows(home.history(), "history_items");
    EXPECT_EQ(BVResultStates(home.clean(BVPrivacyModuleScanIdentifierSafariBrowsingHistory, {"short.example", "Example"})),
              (std::vector<uint64_t>{1, 1}));
    EXPECT_EQ(BVDatabaseProblems(home.history()), "");
    // The short link (visit 4) redirected to visit 5; "Example" is visit 1, whose page keeps its
    // other visit (6, titled "example").
    EXPECT_EQ(BVColumnTexts(home.history(), "SELECT id FROM history_visits ORDER BY id"), (std::vector<std::string>{"2", "3", "6"}));
    EXPECT_EQ(BVColumnTexts(home.history(), "SELECT id FROM history_items ORDER BY id"), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(BVRowsGone(BVTableRows(home.history(), "history_items"), items).size(), 0u) << "the pages that stay are unchanged";
    EXPECT_EQ(BVColumnTexts(home.history(), "SELECT COUNT(*) FROM history_items_to_tags"), (std::vector<std::string>{"1"}));
}

TEST(BVSafariClean, WhileSafariRunsOrHoldsItsStoreNothingChanges) {
    SafariHome home;
    auto visits = BVTableRows(home.history(), "history_visits");
    auto running = home.clean(BVPrivacyModuleScanIdentifierSafariBrowsingHistory, {"News"}, /*running=*/true);
    ASSERT_EQ(BVResultStates(running), (std::vector<uint64_t>{2}));
    EXPECT_EQ(running->results()[0]->errors().front().code(), BVEntityErrorDependantApplication);
    {
        BVDatabaseLock lock(home.history());
        ASSERT_TRUE(lock.held());
        auto scan = home.scan();
        ASSERT_TRUE(scan->error());
        EXPECT_NE(scan->error()->localizedDescription().find("Safari is using"), std::string::npos) << scan->error()->localizedDescription();
    }
    auto group = std::dynamic_pointer_cast<BVPrivacyGroupModel>(BVGroupNamed(home.scan(), BVPrivacyModuleScanIdentifierSafariBrowsingHistory));
    auto task = group->cleanTaskForRemovingEntries(BVChildrenShowing(group, {"News"}));
    for (const auto& d : task->dependencies()) d->fulfill();
    {
        BVDatabaseLock lock(home.history());
        auto failed = task->perform();
        ASSERT_EQ(BVResultStates(failed), (std::vector<uint64_t>{2}));
        EXPECT_NE(failed->results()[0]->errors().front().localizedDescription().find("Safari"), std::string::npos);
    }
    EXPECT_EQ(BVTableRows(home.history(), "history_visits"), visits);
}

TEST(BVSafariClean, TheDownloadListLosesTheChosenEntriesAndKeepsEverythingElse) {
    SafariHome home;
    EXPECT_EQ(BVResultStates(home.clean(BVPrivacyModuleScanIdentifierSafariDownloadsHistory, {"present.zip"})), (std::vector<uint64_t>{1}));
    auto list = BVPlistCodec::decodeFile(home / "Library/Safari/Downloads.plist");
    ASSERT_TRUE(list);
    EXPECT_EQ((*list)["DownloadsVersion"], BVValue(int64_t(3)));
    std::vector<std::string> kept;
    for (const auto& entry : (*list)["DownloadHistory"].arrayValue())
        kept.push_back(entry["DownloadEntryIdentifier"].stringValue("none") + " " + entry["DownloadEntryPath"].stringValue());
    EXPECT_EQ(kept, (std::vector<std::string>{"B2 ~/Downloads/gone.dmg", "C3 ~/Downloads/dated.pdf.download", "none ~/Downloads/no-identifier.txt"}));
    EXPECT_TRUE(home.fileManager->fileExistsAtPath(home / "Downloads/present.zip")) << "the downloaded file itself stays";
}

TEST(BVSafariClean, CookiesOfADomainAreDeletedFromTheStore) {
    SafariHome home;
    auto group = BVGroupNamed(home.scan(), BVPrivacyModuleScanIdentifierSafariCookies);
    auto entries = BVChildrenShowing(group, {"www.example.com"});
    ASSERT_EQ(entries.size(), 1u);
    BVModelCleanTask task(entries);
    for (const auto& d : task.dependencies()) d->fulfill();
    EXPECT_EQ(BVResultStates(task.perform()), (std::vector<uint64_t>{1}));
    EXPECT_EQ(home.cookies->deleted, (std::vector<BVHTTPCookie>{cookie("www.example.com", "a"), cookie("www.example.com", "b")}));
}

TEST(BVChromeScan, TheLastSessionOfEachBrowserOfTheFamilyIsItsSessionFiles) {
    BVPrivacyHome home;
    home.make({"chromium"});
    auto chromium = BVChromeItemsTask(BVChromeBrowser::chromium(*home.paths), home.factory()).scan();
    auto tabs = BVGroupNamed(chromium, BVPrivacyModuleScanIdentifierChromiumLastSessionTabs);
    std::string sessions = home / ".config/chromium/Default/Sessions/";
    EXPECT_EQ(BVShownChildren(tabs), (std::vector<std::string>{sessions + "Session_13400000000000000", sessions + "Tabs_13400000000000000"}));
    ASSERT_FALSE(tabs->dependencies().empty());
    EXPECT_EQ(tabs->dependencies().front()->applicationBundleID(), BVChromiumBundleIdentifier);
    auto chrome = BVChromeItemsTask(BVChromeBrowser::chrome(*home.paths), home.factory()).scan();
    EXPECT_TRUE(BVShownChildren(BVGroupNamed(chrome, BVPrivacyModuleScanIdentifierChromeLastSessionTabs)).empty())
        << "Google Chrome is not installed in this home";

    // The files are removed as files, each by itself.
    auto remover = std::make_shared<BVFileRemover>(nullptr, home.fileManager, home.paths);
    auto chosen = BVChildrenShowing(tabs, {sessions + "Session_"});
    for (const auto& e : chosen) e->setRemover(remover);
    auto task = std::dynamic_pointer_cast<BVPrivacyGroupModel>(tabs)->cleanTaskForRemovingEntries(chosen);
    for (const auto& d : task->dependencies()) d->fulfill();
    EXPECT_EQ(BVResultStates(task->perform()), (std::vector<uint64_t>{1}));
    EXPECT_FALSE(home.fileManager->fileExistsAtPath(sessions + "Session_13400000000000000"));
    EXPECT_TRUE(home.fileManager->fileExistsAtPath(sessions + "Tabs_13400000000000000"));
}
