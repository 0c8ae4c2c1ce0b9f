// The chat client's history (macos layout), the recent documents (linux: the XBEL list,
// rewritten whole with everything else kept; macos: a scripted shared file list) and the
// remembered Wi-Fi networks (linux: nmcli, here a stand-in script; macos: a scripted client).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVNetworkManagerWiFiClient.h"
#include "PrivacyModule/Sources/BVPrivacyGroupModel.h"
#include "PrivacyModule/Sources/Tasks/Finder/BVFinderItemsTask.h"
#include "PrivacyModule/Sources/Tasks/Network/BVPreferredNetworks.h"
#include "PrivacyModule/Sources/Tasks/Skype/BVSkypeItemsTask.h"
#include "PrivacyModule/Sources/Tools/Finder/BVXBELRecentItems.h"
#include "ScanningService/CoreScanning/BVCleanTaskResult.h"
#include "ScanningService/CoreScanning/BVModelCleanTask.h"
#include "tests/PrivacyModule/BVPrivacyFixtures.h"

namespace {

BVCleanTaskResultPtr removeShowing(const std::shared_ptr<BVTreeEntity>& group, const std::vector<std::string>& prefixes) {
    auto chosen = BVChildrenShowing(group, prefixes);
    EXPECT_EQ(chosen.size(), prefixes.size());
    auto task = std::dynamic_pointer_cast<BVPrivacyGroupModel>(group)->cleanTaskForRemovingEntries(chosen);
    for (const auto& d : task->dependencies()) d->fulfill();
    return task->perform();
}

struct ScriptedWiFiClient : BVWiFiClient {
    std::vector<std::vector<BVNetworkProfile>> interfaces;
    std::vector<std::string> removed;
    std::optional<std::vector<std::vector<BVNetworkProfile>>> interfaceProfiles(BVError*) const override { return interfaces; }
    bool removeNetworkProfile(const BVNetworkProfile& profile, BVError*) override {
        removed.push_back(profile.ssid);
        return true;
    }
};

struct ScriptedFileList : BVSharedFileList {
    std::vector<BVSharedFileListItem> documents, servers;
    std::vector<std::string> removed;
    bool hasList(BVSharedFileListKind kind) const override { return kind != BVSharedFileListKind::RecentApplications; }
    std::vector<BVSharedFileListItem> snapshot(BVSharedFileListKind kind) const override {
        return kind == BVSharedFileListKind::RecentDocuments ? documents : servers;
    }
    std::optional<BVError> removeItem(BVSharedFileListKind, const BVSharedFileListItem& item) override {
        removed.push_back(item.identifier);
        if (item.identifier == "afp://busy") return BVError(BVOSStatusErrorDomain, -61);
        return std::nullopt;
    }
};

}  // namespace

TEST(BVSkype, HistoriesAndTransfersOfTheAccountInUseByContact) {
    BVPrivacyHome home(BVLayout::macos);
    home.make({"skype"});
    auto result = BVSkypeItemsTask(home.factory()).scan();
    EXPECT_FALSE(result->error());
    // Two conversations of contacts named "Alice" share one entry.
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierSkypeConversationHistory)),
              (std::vector<std::string>{"Alice (3 messages)", "Bob (1 message)"}));
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierSkypeCallHistory)),
              (std::vector<std::string>{"Alice (2 messages)"}));
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierSkypeTransfers)),
              (std::vector<std::string>{"plan.pdf (1 transfer)"}));

    BVPrivacyHome linux;
    auto none = BVSkypeItemsTask(linux.factory()).scan();
    ASSERT_TRUE(none->items());
    EXPECT_EQ(none->items()->size(), 3u) << "without an account the three kinds are empty groups";
}

TEST(BVSkype, RemovingAContactsHistoryRepairsTheConversationAndKeepsEveryOtherMessage) {
    BVPrivacyHome home(BVLayout::macos);
    home.make({"skype"});
    std::string db = home / "Library/Application Support/Skype/live.account/main.db";
    auto before = BVTableRows(db, "Messages");
    auto result = BVSkypeItemsTask(home.factory()).scan();
    EXPECT_EQ(BVResultStates(removeShowing(BVGroupNamed(result, BVPrivacyModuleScanIdentifierSkypeConversationHistory), {"Alice"})),
              (std::vector<uint64_t>{1}));
    EXPECT_EQ(BVDatabaseProblems(db), "");
    EXPECT_EQ(BVColumnTexts(db, "SELECT id FROM Messages ORDER BY id"), (std::vector<std::string>{"3", "4", "5", "6"}));
    EXPECT_EQ(BVRowsGone(BVTableRows(db, "Messages"), before).size(), 0u) << "the messages left are unchanged";
    // The conversation's recent time follows its latest remaining message (the call, 19 s ago).
    EXPECT_EQ(BVColumnTexts(db, "SELECT last_activity_timestamp FROM Conversations WHERE id = 1"), (std::vector<std::string>{"1764999981"}));

    auto transfers = BVSkypeItemsTask(home.factory()).scan();
    {
        BVDatabaseLock lock(db);
        auto failed = removeShowing(BVGroupNamed(transfers, BVPrivacyModuleScanIdentifierSkypeTransfers), {"plan.pdf"});
        ASSERT_EQ(BVResultStates(failed), (std::vector<uint64_t>{2}));
        EXPECT_NE(failed->results()[0]->errors().front().localizedDescription().find("Skype is using"), std::string::npos);
    }
    EXPECT_EQ(BVColumnTexts(db, "SELECT COUNT(*) FROM Messages WHERE id = 6"), (std::vector<std::string>{"1"}));
}

TEST(BVRecentItems, TheXBELListNamesItsDocumentsAndLosesOnlyTheChosenBookmark) {
    BVPrivacyHome home;
    home.make({"xbel"});
    std::string path = home / ".local/share/recently-used.xbel";
    ::chmod(path.c_str(), 0600);
    std::string original = BVReadText(path);
    auto list = std::make_shared<BVXBELRecentItems>(path, home.paths);
    auto task = BVFinderItemsTask(list);
    ASSERT_TRUE(task);
    ASSERT_EQ(task->tasks().size(), 1u) << "the freedesktop list holds documents only";
    auto result = task->scan();
    auto documents = BVGroupNamed(result, BVPrivacyModuleScanIdentifierFinderRecentDocumentItems);
    // The bookmark without a URL is not listed; a title wins over the URL's name.
    EXPECT_EQ(BVShownChildren(documents), (std::vector<std::string>{"report.odt", "Holiday picture", "notes.txt"}));
    auto report = std::dynamic_pointer_cast<BVFinderRecentItemModel>(documents->children()[0]);
    EXPECT_EQ(report->date().secondsSince1970, 1735873445.0) << "the last visit";

    EXPECT_EQ(BVResultStates(removeShowing(documents, {"Holiday picture"})), (std::vector<uint64_t>{1}));
    std::string expected = original;
    size_t begin = expected.find("\n  <bookmark href=\"file:///home/user/Pictures");
    size_t end = expected.find("</bookmark>", begin) + std::string("</bookmark>").size();
    expected.erase(begin, end - begin);
    EXPECT_EQ(BVReadText(path), expected) << "every other element, attribute and space is kept";
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    home.kb.folder.fileWithText("home/.local/share/recently-used.xbel", "<xbel><bookmark href='x'");
    EXPECT_TRUE(BVShownChildren(BVGroupNamed(task->scan(), BVPrivacyModuleScanIdentifierFinderRecentDocumentItems)).empty());
    auto error = list->removeItem(BVSharedFileListKind::RecentDocuments, report->item());
    ASSERT_TRUE(error) << "a damaged list is never rewritten";
    EXPECT_EQ(BVReadText(path), "<xbel><bookmark href='x'");
}

TEST(BVRecentItems, APlatformListsItemsWithoutANameAreLeftOutAndItsStatusIsTheError) {
    auto list = std::make_shared<ScriptedFileList>();
    list->documents = {{"file:///a.txt", "file:///a.txt", std::string("a.txt"), BVDate{10}}, {"file:///hidden", "file:///hidden", std::nullopt, std::nullopt}};
    list->servers = {{"afp://busy", "afp://busy", std::string("busy"), std::nullopt}};
    auto task = BVFinderItemsTask(list);
    ASSERT_EQ(task->tasks().size(), 2u);
    auto result = task->scan();
    EXPECT_EQ(BVShownChildren(BVGroupNamed(result, BVPrivacyModuleScanIdentifierFinderRecentDocumentItems)), (std::vector<std::string>{"a.txt"}));
    auto servers = BVGroupNamed(result, BVPrivacyModuleScanIdentifierFinderRecentServerItems);
    auto failed = removeShowing(servers, {"busy"});
    ASSERT_EQ(BVResultStates(failed), (std::vector<uint64_t>{2}));
    EXPECT_EQ(failed->results()[0]->errors().front().domain(), BVOSStatusErrorDomain);
    EXPECT_EQ(failed->results()[0]->errors().front().code(), -61);
}

TEST(BVWiFiNetworks, NetworkManagersTerseListingGivesTheWifiConnections) {
    auto profiles = BVNetworkManagerWiFiClient::parseConnections(
        "Home\\:5G:0b6c-11:802-11-wireless:1765000000\n"
        "Wired connection 1:7d2e-22:802-3-ethernet:1765000001\n"
        "Cafe \\\\ Guest:9f3a-33:802-11-wireless:0\n"
        "broken line\n");
    ASSERT_EQ(profiles.size(), 2u);
    EXPECT_EQ(profiles[0].ssid, "Home:5G");
    EXPECT_EQ(profiles[0].identifier, "0b6c-11");
    EXPECT_EQ(profiles[0].lastConnected->secondsSince1970, 1765000000.0);
    EXPECT_EQ(profiles[1].ssid, "Cafe \\ Guest");
    EXPECT_FALSE(profiles[1].lastConnected) << "a connection never used has no date";
}

TEST(BVWiFiNetworks, RemovalNeedsTheAuthorizationAndReportsNetworkManagersRefusal) {
    BVTemporaryFolder folder;
    std::string log = folder / "calls.log";
    std::string nmcli = folder.fileWithText("nmcli", "#!/bin/sh\necho \"$*\" >> " + log +
                                                         "\ncase \"$*\" in\n"
                                                         "  *'connection show') printf 'Home:0b6c-11:802-11-wireless:1765000000\\nOffice:44aa-55:802-11-wireless:0\\n' ;;\n"
                                                         "  *'delete uuid 44aa-55') echo 'Error: Insufficient privileges.' >&2; exit 4 ;;\n"
                                                         "  *) exit 0 ;;\n"
                                                         "esac\n");
    ::chmod(nmcli.c_str(), 0755);
    auto client = std::make_shared<BVNetworkManagerWiFiClient>(BVTaskRunner::sharedRunner(), nmcli);
    bool granted = false;
    auto authorization = std::make_shared<BVNetworkConfigurationAuthorization>([&] { return granted; });
    auto result = BVPreferredNetworksScanTask(authorization, client).scan();
    ASSERT_TRUE(result->items());
    auto networks = *result->items();
    ASSERT_EQ(networks.size(), 2u) << "networks are listed directly, without a group";
    EXPECT_EQ(networks[0]->value()->description(), "Home");

    BVPreferredNetworksCleanTask refused(networks, authorization);
    auto denied = refused.perform();
    EXPECT_EQ(BVResultStates(denied), (std::vector<uint64_t>{2, 2}));
    EXPECT_EQ(denied->results()[0]->errors().front().code(), BVPreferredNetworkModelErrorNotAuthorized);
    EXPECT_EQ(BVReadText(log).find("delete"), std::string::npos) << "nothing is asked of NetworkManager without the authorization";

    granted = true;
    BVPreferredNetworksCleanTask clean(networks, authorization);
    auto done = clean.perform();
    EXPECT_EQ(BVResultStates(done), (std::vector<uint64_t>{1, 2}));
    auto error = done->results()[1]->errors().front();
    EXPECT_EQ(error.domain(), BVPreferredNetworkModelErrorDomain);
    EXPECT_EQ(error.code(), BVPreferredNetworkModelErrorRemovalFailed);
    EXPECT_NE(error.localizedDescription().find("Insufficient privileges"), std::string::npos) << error.localizedDescription();
    EXPECT_FALSE(authorization->isAuthorized()) << "the authorization is dropped after the clean";

    auto missing = std::make_shared<BVNetworkManagerWiFiClient>(BVTaskRunner::sharedRunner(), folder / "no-such-nmcli");
    auto empty = BVPreferredNetworksScanTask(authorization, missing).scan();
    EXPECT_FALSE(empty->error());
    EXPECT_TRUE(empty->items()->empty()) << "a host without NetworkManager remembers no networks";
}

TEST(BVWiFiNetworks, EveryInterfacesProfilesInOrderAProfileWithoutADateIsListed) {
    auto client = std::make_shared<ScriptedWiFiClient>();
    client->interfaces = {{{"Home", "1", 4, BVDate{5}}}, {{"Open", "2", BVWiFiSecurityNone, std::nullopt}, {"Odd", "3", BVWiFiSecurityUnknown, std::nullopt}}};
    auto authorization = std::make_shared<BVNetworkConfigurationAuthorization>([] { return true; });
    auto items = *BVPreferredNetworksScanTask(authorization, client).scan()->items();
    ASSERT_EQ(items.size(), 3u);
    auto home = std::dynamic_pointer_cast<BVPreferredNetworkModel>(items[0]);
    auto open = std::dynamic_pointer_cast<BVPreferredNetworkModel>(items[1]);
    auto odd = std::dynamic_pointer_cast<BVPreferredNetworkModel>(items[2]);
    EXPECT_TRUE(home->isSecure());
    EXPECT_FALSE(open->isSecure());
    EXPECT_FALSE(odd->isSecure());
    EXPECT_FALSE(open->lastConnectedDate());
    EXPECT_EQ(BVResultStates(BVPreferredNetworksCleanTask({items[1]}, authorization).perform()), (std::vector<uint64_t>{1}));
    EXPECT_EQ(client->removed, (std::vector<std::string>{"Open"}));
}
