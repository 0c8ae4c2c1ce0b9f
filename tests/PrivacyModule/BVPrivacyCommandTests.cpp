// `brenvik scan privacy` and `brenvik clean privacy` end to end on fixture homes of both layouts:
// the tasks each layout lists, entries chosen by the names they show, what a dry run and a clean
// report, and a store held locked reported by the scan and the clean with the browser named.
#include <gtest/gtest.h>

#include "Foundation/BVJSONCodec.h"
#include "tests/PrivacyModule/BVPrivacyFixtures.h"
#include "tests/fixtures/BVCommandRun.h"

namespace {

std::vector<std::string> identifiers(const BVValue& document, const char* field = "identifier") {
    std::vector<std::string> out;
    for (const auto& r : document["results"].arrayValue()) out.push_back(r[field].stringValue());
    return out;
}

}  // namespace

TEST(BVPrivacyCommand, EachLayoutListsTheTasksItHasInTheModulesOrder) {
    BVPrivacyHome linux;
    linux.make({"firefox", "chromium", "xbel"});
    auto run = BVRunBrenvik({"scan", "privacy", "--json", "--home", linux.home(), "--layout", "linux", "--no-progress"});
    ASSERT_EQ(run.status, 0) << run.err;
    auto document = BVJSONCodec::decode(run.out);
    ASSERT_TRUE(document) << run.out;
    EXPECT_EQ(identifiers(*document),
              (std::vector<std::string>{"BVPrivacyModuleScanIdentifierFinderItems", "BVPrivacyModuleScanIdentifierPreferredNetworks",
                                        "BVPrivacyModuleScanIdentifierChrome", "BVPrivacyModuleScanIdentifierChromium",
                                        "BVPrivacyModuleScanIdentifierFirefox"}));
    EXPECT_EQ(identifiers(*document, "key"), (std::vector<std::string>{"recent-items", "wifi-networks", "chrome", "chromium", "firefox"}));
    EXPECT_EQ(identifiers(*document, "displayName")[1], "Remembered Wi-Fi networks");
    EXPECT_NE(run.out.find("\"report.odt\""), std::string::npos);
    EXPECT_NE(run.out.find("\"www.example.com (2 pages)\""), std::string::npos);
    // The text names the kinds in words; identifiers stay in the JSON.
    auto text = BVRunBrenvik({"scan", "privacy", "--home", linux.home(), "--layout", "linux", "--no-progress"});
    EXPECT_NE(text.out.find("[ ] Browsing history\n"), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("BVPrivacyModuleScanIdentifier"), std::string::npos) << text.out;

    BVPrivacyHome macos(BVLayout::macos);
    macos.make({"safari", "skype", "firefox"});
    run = BVRunBrenvik({"scan", "privacy", "--json", "--home", macos.home(), "--layout", "macos", "--no-progress"});
    ASSERT_EQ(run.status, 0) << run.err;
    document = BVJSONCodec::decode(run.out);
    // This host has no shared file lists or Wi-Fi client of that platform: those are not listed.
    EXPECT_EQ(identifiers(*document),
              (std::vector<std::string>{"BVPrivacyModuleScanIdentifierSkype", "BVPrivacyModuleScanIdentifierSafari",
                                        "BVPrivacyModuleScanIdentifierChrome", "BVPrivacyModuleScanIdentifierChromium",
                                        "BVPrivacyModuleScanIdentifierFirefox"}));
    EXPECT_NE(run.out.find("\"Alice (3 messages)\""), std::string::npos);
}

TEST(BVPrivacyCommand, NothingIsPreselectedAndIncludeChoosesByTheShownName) {
    BVPrivacyHome home;
    home.make({"firefox", "xbel"});
    std::string cookies = home / ".mozilla/firefox/inuse.default-esr/cookies.sqlite";
    auto before = BVTableRows(cookies, "moz_cookies");
    auto nothing = BVRunBrenvik({"clean", "privacy", "--home", home.home(), "--layout", "linux", "--no-progress", "--yes"});
    EXPECT_EQ(nothing.status, 0) << nothing.err;
    EXPECT_NE(nothing.out.find("Nothing to remove."), std::string::npos) << nothing.out;

    auto dry = BVRunBrenvik({"clean", "privacy", "--home", home.home(), "--layout", "linux", "--no-progress", "--dry-run",
                             "--include", "news.example.org*", "--include", "Holiday picture"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_NE(dry.out.find("news.example.org (1 cookie)"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("news.example.org (1 page)"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("news.example.org (1 login)"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("Holiday picture"), std::string::npos) << dry.out;
    EXPECT_EQ(BVTableRows(cookies, "moz_cookies"), before) << "a dry run changes nothing";

    auto clean = BVRunBrenvik({"clean", "privacy", "--json", "--home", home.home(), "--layout", "linux", "--no-progress", "--yes",
                               "--include", "news.example.org (1 cookie)", "--include", "Holiday picture"});
    ASSERT_EQ(clean.status, 0) << clean.err << clean.out;
    auto report = BVJSONCodec::decode(clean.out);
    ASSERT_TRUE(report) << clean.out;
    EXPECT_EQ((*report)["state"].int64Value(), 1);
    EXPECT_EQ((*report)["results"].arrayValue().size(), 2u);
    EXPECT_EQ(BVRowsGone(before, BVTableRows(cookies, "moz_cookies")).size(), 1u);
    EXPECT_EQ(BVDatabaseProblems(cookies), "");
    EXPECT_EQ(BVReadText(home / ".local/share/recently-used.xbel").find("Holiday picture"), std::string::npos);
}

TEST(BVPrivacyCommand, ALockedStoreIsReportedByTheScanAndTheCleanAndNothingChanges) {
    BVPrivacyHome home;
    home.make({"firefox"});
    std::string places = home / ".mozilla/firefox/inuse.default-esr/places.sqlite";
    auto before = BVTableRows(places, "moz_places");
    {
        BVDatabaseLock lock(places);
        ASSERT_TRUE(lock.held());
        auto scan = BVRunBrenvik({"scan", "privacy", "--home", home.home(), "--layout", "linux", "--no-progress"});
        EXPECT_EQ(scan.status, 0);
        EXPECT_NE(scan.out.find("Firefox is using ~/.mozilla/firefox/inuse.default-esr/places.sqlite (database is locked)"), std::string::npos)
            << scan.out;
        // The clean scans again: the locked kind lists nothing to choose, and the clean says why.
        auto clean = BVRunBrenvik({"clean", "privacy", "--home", home.home(), "--layout", "linux", "--no-progress", "--yes",
                                   "--include", "www.example.com (2 pages)"});
        EXPECT_EQ(clean.status, 0) << clean.out << clean.err;
        EXPECT_NE(clean.err.find("Firefox is using ~/.mozilla/firefox/inuse.default-esr/places.sqlite (database is locked)"), std::string::npos)
            << clean.err;
        EXPECT_NE(clean.err.find("--include www.example.com (2 pages) matches nothing"), std::string::npos) << clean.err;
    }
    EXPECT_EQ(BVTableRows(places, "moz_places"), before);
}
