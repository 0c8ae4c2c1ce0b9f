// The media library's leftovers: the command line on a macos fixture home (the library found
// from the iApps preferences; what is offered and ticked; a clean changes exactly the ticked
// items, byte for byte), the backups' order and the ignore list, a download the player holds
// open, a library known only by a bookmark, and file URLs.
#include <gtest/gtest.h>

#include "Foundation/BVJSONCodec.h"
#include "KnowledgeBase/BVIgnoreItemInfo.h"
#include "TrashAndMediaJunkModule/MediaLibrary/BVMediaLibraryModule.h"
#include "TrashAndMediaJunkModule/MediaLibrary/BViTunesModels.h"
#include "TrashAndMediaJunkModule/MediaLibrary/BViTunesScanTasks.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"
#include "tests/fixtures/BVCommandRun.h"
#include "tests/fixtures/BVDiskSnapshot.h"

namespace {

const std::string kBackups = "Library/Application Support/MobileSync/Backup/";
const std::string kMedia = "Music/iTunes/iTunes Media/";

std::string info(const std::string& device, const std::string& lastBackup) {
    std::string body = device.empty() ? "" : "<key>Device Name</key><string>" + device + "</string><key>Product Type</key><string>iPhone9,1</string>";
    if (!lastBackup.empty()) body += "<key>Last Backup Date</key><date>" + lastBackup + "</date>";
    return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>" + body + "</dict></plist>";
}

// A home whose media library is ~/Music/iTunes, named by the iApps preferences.
void library(BVTemporaryFolder& t, const std::string& home) {
    t.fileWithText(home + "/Library/Preferences/com.apple.iApps.plist",
                   "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>iTunesRecentDatabases</key><array><string>file://" +
                       t / home + "/Music/iTunes/iTunes%20Library.xml</string></array></dict></plist>");
}

// "path: ticked" per offered file model, and per group "group: ticked" then its files; relative to the home.
std::vector<std::string> offered(const BVValue& document, const std::string& home) {
    std::vector<std::string> lines;
    std::function<void(const BVValue&, const std::string&)> add = [&](const BVValue& item, const std::string& indent) {
        std::string path = item["path"].stringValue();
        std::string name = path.empty() ? item["value"].stringValue() : path.substr(home.size() + 1);
        lines.push_back(indent + name + (item["autoselected"].boolValue() ? " [x]" : " [ ]"));
        for (const auto& child : item["children"].arrayValue()) add(child, indent + "  ");
    };
    for (const auto& result : document["results"].arrayValue())
        for (const auto& item : result["items"].arrayValue()) add(item, result["key"].stringValue() + ": ");
    return lines;
}

}  // namespace

TEST(BVMediaLibraryJunk, OffersTheLeftoversAndCleansExactlyTheTickedOnes) {
    BVTemporaryFolder t;
    t.folder("root");
    library(t, "home");
    for (auto [name, date] : {std::pair{"old", "2020-01-01T00:00:00Z"}, {"new", "2022-01-01T00:00:00Z"}, {"mid", "2021-01-01T00:00:00Z"}}) {
        t.file("home/" + kBackups + name + "/Manifest.db", 10000);
        t.fileWithText("home/" + kBackups + name + "/Info.plist", info("Phone", date));
    }
    t.file("home/" + kBackups + "unreadable/Manifest.db", 5000);
    t.fileWithText("home/" + kBackups + "unreadable/Info.plist", "not a property list");
    t.file("home/" + kBackups + "stray.txt", 100);
    t.file("home/" + kMedia + "Mobile Applications/Game.ipa", 5000);
    t.file("home/" + kMedia + "Mobile Applications/notes.txt", 100);
    t.file("home/" + kMedia + "Downloads/42/download.tmp", 3000);
    t.file("home/" + kMedia + "Downloads/42/song.m4a", 3000);
    t.file("home/Music/iTunes/Album Artwork/Cache/00/a.itc", 7000);
    t.file("home/Music/iTunes/Album Artwork/Local/kept.itc", 7000);
    t.file("home/Library/iTunes/iPhone Software Updates/iPhone.ipsw", 9000);

    auto run = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"--home", t / "home", "--root", t / "root", "--layout", "macos", "--no-progress"});
        return BVRunBrenvik(arguments);
    };
    BVCommandRun scan = run({"scan", "media-library", "--json"});
    ASSERT_EQ(scan.status, 0) << scan.err;
    std::vector<std::string> expected = {
        "backups: Phone, iPhone9,1 [ ]",
        "backups:   " + kBackups + "new [ ]",
        "backups:   " + kBackups + "mid [x]",
        "backups:   " + kBackups + "old [x]",
        "backups: Broken Backups [ ]",
        "backups:   " + kBackups + "unreadable [ ]",
        "applications: " + kMedia + "Mobile Applications/Game.ipa [x]",
        "downloads: " + kMedia + "Downloads/42/download.tmp [x]",
        "software-updates: Library/iTunes/iPhone Software Updates/iPhone.ipsw [x]",
        "caches: Album artwork caches [x]",
        "caches:   Music/iTunes/Album Artwork/Cache [x]",
    };
    EXPECT_EQ(offered(BVJSONCodec::decode(scan.out).value(), t / "home"), expected) << scan.out;

    auto before = BVSnapshot(t.path());
    BVCommandRun clean = run({"clean", "media-library", "--yes"});
    ASSERT_EQ(clean.status, 0) << clean.err << clean.out;
    auto changed = BVChangedPaths(before, BVSnapshot(t.path()));
    std::erase_if(changed, [&](const std::string& p) {
        return p.starts_with(t / "home/Library/Logs") || p.starts_with(t / "home/Library/Application Support/Brenvik X");
    });
    std::vector<std::string> gone;
    for (const auto& [path, what] : before)
        for (const std::string item : {kBackups + "mid", kBackups + "old", kMedia + "Mobile Applications/Game.ipa", kMedia + "Downloads/42/download.tmp",
                                       std::string("Library/iTunes/iPhone Software Updates/iPhone.ipsw"), std::string("Music/iTunes/Album Artwork/Cache")})
            if (path == t / "home/" + item || path.starts_with(t / "home/" + item + "/")) gone.push_back(path);
    std::sort(gone.begin(), gone.end());
    EXPECT_EQ(changed, gone);
}

namespace {
class HeldOpen final : public BVFilesUsageProvider {
public:
    std::set<std::string> filesUsedByProcessBundleIdentifier(const std::string& bundle) const override {
        return bundle == "com.apple.iTunes" ? open : std::set<std::string>{};
    }
    std::set<std::string> open;
};

std::vector<std::string> names(const BVScanResultPtr& result) {
    std::vector<std::string> out;
    for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{})) {
        if (auto group = std::dynamic_pointer_cast<BViTunesBackupGroup>(item)) {
            out.push_back(group->value()->description());
            for (const auto& b : group->backups()) out.push_back("  " + BVEntityPath(b).substr(BVEntityPath(b).rfind('/') + 1));
        } else {
            out.push_back(BVEntityPath(item).substr(BVEntityPath(item).rfind('/') + 1));
        }
    }
    return out;
}
}  // namespace

// Backups sort by the Status.plist date before Info.plist's; an ignored device or backup folder
// is left out; a download the player holds open is not offered; without a library location
// (known only by a bookmark, which this host cannot resolve) the library's own places are empty.
TEST(BVMediaLibraryJunk, BackupsOrderTheIgnoreListAndHeldDownloads) {
    BVJunkFixture f({}, BVLayout::macos);
    auto& t = f.kb.folder;
    t.fileWithText("home/" + kBackups + "a/Info.plist", info("Phone", "2019-01-01T00:00:00Z"));
    t.fileWithText("home/" + kBackups + "a/Status.plist",
                   "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Date</key><date>2023-01-01T00:00:00Z</date></dict></plist>");
    t.fileWithText("home/" + kBackups + "b/Info.plist", info("Phone", "2022-01-01T00:00:00Z"));
    t.fileWithText("home/" + kBackups + "c/Info.plist", info("Tablet", "2022-01-01T00:00:00Z"));
    t.fileWithText("home/" + kBackups + "d/Info.plist", info("Phone", "2018-01-01T00:00:00Z"));
    ASSERT_TRUE(f.handle(BVScannerMobileDeviceBackups)->createIgnoreItemWithInfo(BVIgnoreItemInfo("Tablet, iPhone9,1")));
    ASSERT_TRUE(f.handle(BVScannerMobileDeviceBackups)->createIgnoreItemWithInfo(BVIgnoreItemInfo("d")));
    t.fileWithText("home/Library/Preferences/com.apple.iTunes.plist",
                   "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Database Location</key><data>Ym9va21hcms=</data></dict></plist>");
    t.file("home/" + kMedia + "Downloads/1/download.tmp", 100);

    auto tasks = BVMediaLibraryModule::scanTasks(f.environment());
    ASSERT_EQ(tasks.size(), 5u);
    EXPECT_EQ(names(tasks[0]->scan()), (std::vector<std::string>{"Phone, iPhone9,1", "  a", "  b"}));
    for (size_t i = 1; i < tasks.size(); ++i) {
        auto items = tasks[i]->scan()->items().value_or(std::vector<BVEntityPtr>{});
        size_t files = 0;
        for (const auto& item : items) files += std::dynamic_pointer_cast<BVTreeEntity>(item) ? std::dynamic_pointer_cast<BVTreeEntity>(item)->children().size() : 1;
        EXPECT_EQ(files, 0u) << tasks[i]->identifier();
    }

    // With the library named, the download is offered unless the player holds it open.
    library(t, "home");
    auto held = std::make_shared<HeldOpen>();
    EXPECT_EQ(names(BVMediaLibraryModule::scanTasks(f.environment(), held)[2]->scan()), std::vector<std::string>{"download.tmp"});
    held->open.insert(f.home() + "/" + kMedia + "Downloads/1/download.tmp");
    EXPECT_TRUE(names(BVMediaLibraryModule::scanTasks(f.environment(), held)[2]->scan()).empty());
}

TEST(BVMediaLibraryJunk, FileURLsBecomePaths) {
    struct Case {
        const char* url;
        std::optional<std::string> path;
    } cases[] = {
        {"file:///Users/a/Music/iTunes/iTunes%20Library.xml", "/Users/a/Music/iTunes/iTunes Library.xml"},
        {"file://localhost/Users/a/x.xml", "/Users/a/x.xml"},
        {"file:///Users/a/%C3%A9t%C3%A9/x.xml", "/Users/a/\xC3\xA9t\xC3\xA9/x.xml"},
        {"file:///Users/a/../b/x.xml", std::nullopt},
        {"file:///Users/a/%2E%2E/b/x.xml", std::nullopt},
        {"file:///Users/a%00/x.xml", std::nullopt},
        {"http://example.invalid/x.xml", std::nullopt},
        {"file://other-host/x.xml", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(BViTunesLibrary::pathOfFileURL(c.url), c.path) << c.url;
}
