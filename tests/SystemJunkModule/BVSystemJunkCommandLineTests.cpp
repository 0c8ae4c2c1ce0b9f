// `brenvik scan system-junk` and `brenvik clean system-junk` end to end on fixture homes of both layouts, with the shipped
// knowledge base: the module's results in order, what the rules keep out, what they offer
// without preselecting, and the text and JSON outputs.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <set>

#include "Foundation/BVJSONCodec.h"
#include "tests/fixtures/BVDiskSnapshot.h"
#include "tests/fixtures/BVTemporaryFolder.h"
#include "tests/fixtures/BVCommandRun.h"

namespace {

using CommandRun = BVCommandRun;

CommandRun brenvik(std::vector<std::string> arguments, const BVTemporaryFolder& fixture, const std::string& layout) {
    arguments.insert(arguments.end(), {"--home", fixture / "home", "--root", fixture / "root", "--layout", layout, "--no-progress"});
    return BVRunBrenvik(arguments);
}

// path -> autoselected, for every entity of one result (at any depth), paths relative to the
// fixture ("home/...", "root/..."); groups are listed by value as "group:NAME".
std::map<std::string, bool> entities(const BVValue& result, const std::string& fixture) {
    std::map<std::string, bool> found;
    std::function<void(const BVValue&)> visit = [&](const BVValue& e) {
        std::string key = e["path"].isString() ? e["path"].stringValue() : "group:" + e["value"].stringValue();
        if (key.compare(0, fixture.size() + 1, fixture + "/") == 0) key = key.substr(fixture.size() + 1);
        found[key] = e["autoselected"].boolValue();
        for (const auto& child : e["children"].arrayValue()) visit(child);
    };
    for (const auto& item : result["items"].arrayValue()) visit(item);
    return found;
}

// The module's tasks in order; only the macos layout keeps document versions and photo-sync caches.
std::vector<std::string> taskIdentifiers(const std::string& layout) {
    std::vector<std::string> ids = {
        "BVSystemJunkScanIdentifierSystemLanguages", "BVSystemJunkScanIdentifierXcodeJunk",
        "BVSystemJunkScanIdentifierBrokenStartupItems", "BVSystemJunkScanIdentifierUnusedDiskImages",
        "BVSystemJunkScanIdentifierUserLogsCompound", "BVSystemJunkScanIdentifierSystemLogsCompound",
        "BVSystemJunkScanIdentifierBrokenPreferences", "BVSystemJunkScanIdentifierBrokenApplicationsUpdates",
        "BVSystemJunkScanIdentifierApplicationLanguages", "BVSystemJunkScanIdentifierSystemCachesCompound",
        "BVSystemJunkScanIdentifierUserCachesCompound"};
    if (layout == "macos") {
        ids.insert(ids.begin() + 4, "BVSystemJunkScanIdentifierPhotoSyncCaches");
        ids.insert(ids.begin(), "BVSystemJunkScanIdentifierDocumentVersions");
    }
    return ids;
}

// The entities of each result, in task order. Document versions, disk images and photo-sync
// caches are kept apart in `others` (by identifier): the fixtures of the older checks hold none.
std::vector<std::map<std::string, bool>> scanJSON(const BVTemporaryFolder& fixture, const std::string& layout,
                                                  std::map<std::string, std::map<std::string, bool>>* others = nullptr) {
    CommandRun r = brenvik({"scan", "system-junk", "--json"}, fixture, layout);
    EXPECT_EQ(r.status, 0) << r.err;
    std::string error;
    auto doc = BVJSONCodec::decode(r.out, &error);
    EXPECT_TRUE(doc) << error << "\n" << r.out;
    std::vector<std::map<std::string, bool>> results;
    if (!doc) return results;
    EXPECT_EQ((*doc)["module"].stringValue(), "system-junk");
    std::vector<std::string> identifiers;
    for (const auto& result : (*doc)["results"].arrayValue()) {
        identifiers.push_back(result["identifier"].stringValue());
        EXPECT_TRUE(result["error"].isNull());
        // These fixtures hold no broken start-up item or preference file: those results are empty.
        if (identifiers.back().find("Broken") != std::string::npos) {
            EXPECT_TRUE(result["items"].arrayValue().empty()) << identifiers.back();
        } else if (identifiers.back().find("DocumentVersions") != std::string::npos ||
                   identifiers.back().find("UnusedDiskImages") != std::string::npos ||
                   identifiers.back().find("PhotoSyncCaches") != std::string::npos) {
            if (others) (*others)[identifiers.back()] = entities(result, fixture.path());
            else EXPECT_TRUE(result["items"].arrayValue().empty()) << identifiers.back();
        } else {
            results.push_back(entities(result, fixture.path()));
        }
    }
    EXPECT_EQ(identifiers, taskIdentifiers(layout));
    return results;
}

}  // namespace

TEST(BrenvikSystemJunk, ScanOnAMacosHome) {
    BVTemporaryFolder t;
    t.file("home/Library/Caches/com.example.app/data", 40000);
    t.file("home/Library/Caches/Google/Chrome/Default/Cache/a", 40000);  // deep-searched vendor folder
    t.file("home/Library/Caches/Google/.DS_Store", 6000);
    t.file("home/Library/Caches/CloudKit/db", 40000);                    // never offered
    t.file("home/Library/Containers/com.example.box/Data/Library/Caches/img", 30000);
    t.file("home/Library/Containers/com.example.box/Data/Library/Logs/box.log", 30000);
    t.file("home/Library/Containers/com.example.nocache/Data/Library/Preferences/p.plist", 3000);
    t.file("home/Library/Logs/App/today.log", 20000);
    t.file("home/Library/Logs/small.log", 100);
    t.file("home/Library/Preferences/com.apple.LaunchServices.QuarantineEventsV2", 20000);
    t.file("home/Library/Application Support/Spotify/PersistentCache/Storage/ab/cd", 50000);
    t.fileWithText("home/Library/Application Support/Spotify/prefs", "autologin.username=\"someone\"\n");
    t.fileWithText("home/.dropbox/info.json",
                   "{\"personal\": {\"path\": \"" + (t / "home/Dropbox") + "\", \"host\": 4133002, \"is_team\": false}}");
    t.file("home/Dropbox/.dropbox.cache/old/part", 30000);
    t.file("root/Library/Caches/com.example.daemon/c", 30000);
    t.file("root/Library/Logs/install.log", 30000);
    t.file("root/private/var/log/asl/2024.asl", 30000);
    t.file("root/private/var/db/diagnostics/Persist/0001.tracev3", 30000);

    auto results = scanJSON(t, "macos");
    ASSERT_EQ(results.size(), 7u);
    EXPECT_TRUE(results[0].empty());  // no bundle with localisations in this fixture
    EXPECT_TRUE(results[1].empty());  // no developer junk in this home
    EXPECT_EQ(results[2], (std::map<std::string, bool>{{"home/Library/Logs/App", true},
                                                       {"home/Library/Containers/com.example.box/Data/Library/Logs/box.log", true},
                                                       {"home/Library/Preferences/com.apple.LaunchServices.QuarantineEventsV2", true}}));
    EXPECT_EQ(results[3], (std::map<std::string, bool>{{"root/Library/Logs/install.log", true},
                                                       {"root/private/var/log/asl", true},
                                                       {"root/private/var/db/diagnostics", true}}));
    EXPECT_TRUE(results[4].empty());  // no application in this fixture
    EXPECT_EQ(results[5], (std::map<std::string, bool>{{"group:com.example.daemon", false},
                                                       {"root/Library/Caches/com.example.daemon", true}}));
    EXPECT_EQ(results[6], (std::map<std::string, bool>{
                              {"group:com.example.app", false},
                              {"home/Library/Caches/com.example.app", true},
                              {"group:Google", false},
                              {"home/Library/Caches/Google/Chrome", true},
                              {"group:com.example.box", false},
                              {"home/Library/Containers/com.example.box/Data/Library/Caches/img", true},
                              {"group:com.getdropbox.dropbox", false},
                              {"home/Dropbox/.dropbox.cache/old", true},
                              {"group:com.spotify.client", false},
                              {"home/Library/Application Support/Spotify/PersistentCache/Storage", false},
                          }));

    // The text form names the module and abbreviates the home.
    CommandRun text = brenvik({"scan", "system-junk"}, t, "macos");
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("System Junk (system-junk)"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("~/Library/Caches/com.example.app"), std::string::npos) << text.out;

    // Smart Scan's cleanup section runs the module.
    CommandRun smart = brenvik({"smart-scan", "--json"}, t, "macos");
    EXPECT_EQ(smart.status, 0) << smart.err;
    auto doc = BVJSONCodec::decode(smart.out);
    ASSERT_TRUE(doc);
    const auto& cleanup = (*doc)["sections"].arrayValue().at(0);
    EXPECT_EQ(cleanup["section"].stringValue(), "cleanup");
    ASSERT_GE(cleanup["modules"].arrayValue().size(), 1u);  // System Junk first, then the other cleanup modules
    EXPECT_EQ(cleanup["modules"].arrayValue()[0]["module"].stringValue(), "system-junk");
    EXPECT_EQ(cleanup["modules"].arrayValue()[0]["results"].arrayValue().size(), taskIdentifiers("macos").size());
}

TEST(BrenvikSystemJunk, ScanOnALinuxHome) {
    BVTemporaryFolder t;
    t.file("home/.cache/example-app/data", 40000);
    t.file("home/.cache/fontconfig/abc-le64.cache-7", 40000);      // a running session's font cache
    t.file("home/.cache/mozilla/firefox/x.default/cache2/e", 40000);
    t.file("home/.cache/spotify/Storage/ab", 50000);
    t.file("home/.cache/spotify/Data/cd", 50000);
    t.fileWithText("home/.config/spotify/prefs", "storage.size=1024\n");
    t.file("home/.var/app/org.example.Viewer/cache/thumbs/t", 30000);
    t.file("home/.var/app/org.example.Viewer/.local/state/viewer.log", 30000);
    t.file("home/.local/state/wireplumber/restore-stream", 30000);   // audio state of the session
    t.file("home/.local/state/example/history", 30000);
    t.file("root/var/log/syslog", 30000);
    t.file("root/var/log/tiny.log", 100);
    t.file("root/var/log/journal/abc/system.journal", 60000);
    t.file("root/var/log/wtmp", 30000);
    t.file("root/var/cache/apt/pkgcache.bin", 30000);
    t.file("root/var/cache/example/cache.db", 30000);
    t.file("root/usr/share/locale/ia/LC_MESSAGES/coreutils.mo", 30000);
    t.file("root/usr/share/locale/en_GB/LC_MESSAGES/coreutils.mo", 30000);  // English is always kept
    t.file("home/Applications/Tool/share/locale/en/LC_MESSAGES/tool.mo", 30000);
    t.file("home/Applications/Tool/share/locale/ia/LC_MESSAGES/tool.mo", 30000);
    t.file("home/.cache/pip/http/a", 30000);
    t.file("home/go/pkg/mod/example.com/lib@v1.0.0/lib.go", 30000);
    t.file("home/.cache/huggingface/hub/models--org--model/blobs/w", 30000);

    auto results = scanJSON(t, "linux");
    ASSERT_EQ(results.size(), 7u);
    // The system's translations of a language nobody here reads: package files, never preselected.
    EXPECT_EQ(results[0], (std::map<std::string, bool>{{"group:ia", false}, {"root/usr/share/locale/ia", false}}));
    // Toolchain caches: offered as developer junk only (not among the user caches), never preselected.
    EXPECT_EQ(results[1], (std::map<std::string, bool>{{"group:pip", false},
                                                       {"home/.cache/pip", false},
                                                       {"group:Go", false},
                                                       {"home/go/pkg/mod", false},
                                                       {"group:Hugging Face", false},
                                                       {"home/.cache/huggingface/hub", false}}));
    // ~/.local/state holds state as well as logs: offered, never preselected.
    EXPECT_EQ(results[2], (std::map<std::string, bool>{{"home/.local/state/example", false},
                                                       {"home/.var/app/org.example.Viewer/.local/state/viewer.log", true}}));
    // The journal is offered once, as the store the agent vacuums.
    EXPECT_EQ(results[3], (std::map<std::string, bool>{{"root/var/log/syslog", true}, {"root/var/log/journal", true}}));
    // A self-contained application's translations, grouped by language, then application.
    EXPECT_EQ(results[4], (std::map<std::string, bool>{
                              {"group:ia", false}, {"group:Tool", false}, {"home/Applications/Tool/share/locale/ia", false}}));
    EXPECT_EQ(results[5], (std::map<std::string, bool>{{"group:example", false}, {"root/var/cache/example", true}}));
    EXPECT_EQ(results[6], (std::map<std::string, bool>{
                              {"group:example-app", false},
                              {"home/.cache/example-app", true},
                              {"group:mozilla", false},
                              {"home/.cache/mozilla/firefox", true},
                              {"group:spotify", false},
                              {"home/.cache/spotify/Data", true},
                              {"home/.cache/spotify/Storage", false},
                              {"group:org.example.Viewer", false},
                              {"home/.var/app/org.example.Viewer/cache/thumbs", true},
                          }));
}

TEST(BrenvikSystemJunk, CleanRemovesWhatWasPreselectedAndReports) {
    for (const std::string layout : {"macos", "linux"}) {
        SCOPED_TRACE(layout);
        BVTemporaryFolder t;
        bool mac = layout == "macos";
        std::string cache = mac ? "home/Library/Caches/com.example.app" : "home/.cache/example-app";
        std::string kept = mac ? "home/Library/Caches/CloudKit/db" : "home/.cache/fontconfig/x.cache-7";
        std::string logs = mac ? "home/Library/Logs/App" : "home/.var/app/org.example.Viewer/.local/state";
        std::string state = "home/.local/state/example/history";  // linux: offered, not preselected
        std::string toolCache = "home/.cache/pip/http/wheel";          // developer junk: offered, not preselected
        t.file(toolCache, 30000);
        t.file(cache + "/data", 40000);
        t.file(kept, 40000);
        t.file(logs + "/today.log", 20000);
        t.file(logs + "/old.gz", 20000);
        t.file(state, 30000);
        t.file(mac ? "root/Library/Logs/install.log" : "root/var/log/daemon.log", 30000);

        CommandRun r = brenvik({"clean", "system-junk", "--yes", "--json"}, t, layout);
        EXPECT_EQ(r.status, 0) << r.err;
        auto doc = BVJSONCodec::decode(r.out);
        ASSERT_TRUE(doc) << r.out;
        EXPECT_EQ((*doc)["module"].stringValue(), "system-junk");
        EXPECT_EQ((*doc)["state"].uint64Value(), 1u);
        EXPECT_GE((*doc)["cleanedSize"].uint64Value(), 40000u + 20000u + 20000u + 30000u);
        struct stat st {};
        EXPECT_NE(lstat((t / cache).c_str(), &st), 0);
        EXPECT_NE(lstat((t / (logs + "/old.gz")).c_str(), &st), 0);
        ASSERT_EQ(stat((t / (logs + "/today.log")).c_str(), &st), 0);
        EXPECT_EQ(st.st_size, 0);  // emptied in place
        std::string systemLog = t / (mac ? "root/Library/Logs/install.log" : "root/var/log/daemon.log");
        ASSERT_EQ(stat(systemLog.c_str(), &st), 0);
        EXPECT_EQ(st.st_size, 0);
        EXPECT_EQ(stat((t / kept).c_str(), &st), 0);
        EXPECT_EQ(stat((t / state).c_str(), &st), 0);
        EXPECT_EQ(st.st_size, 30000);
        EXPECT_EQ(stat((t / toolCache).c_str(), &st), 0);
    }
}

TEST(BrenvikSystemJunk, CleanWithFailingRemovalsExitsOne) {
    BVTemporaryFolder t;
    t.folder("root");
    t.file("home/.cache/example-app/data", 40000);
    EXPECT_EQ(brenvik({"defaults", "write", "DebugModeAllFailedRemove", "true"}, t, "linux").status, 0);
    CommandRun r = brenvik({"clean", "system-junk", "--yes", "--json"}, t, "linux");
    EXPECT_EQ(r.status, 1) << r.err;
    auto doc = BVJSONCodec::decode(r.out);
    ASSERT_TRUE(doc) << r.out;
    EXPECT_EQ((*doc)["state"].uint64Value(), 2u);
    EXPECT_EQ((*doc)["cleanedSize"].uint64Value(), 0u);
    struct stat st {};
    EXPECT_EQ(stat((t / "home/.cache/example-app/data").c_str(), &st), 0);
}

TEST(BrenvikSystemJunk, UnusedDiskImagesAreListedAndRemovedOnlyWhenIncluded) {
    BVTemporaryFolder t;
    t.folder("root");
    t.file("home/Downloads/debian.iso", 30000);
    t.file("home/VMs/old.VDI", 20000);
    t.file("home/Downloads/readme.txt", 20000);

    std::map<std::string, std::map<std::string, bool>> others;
    scanJSON(t, "linux", &others);
    EXPECT_EQ(others["BVSystemJunkScanIdentifierUnusedDiskImages"],
              (std::map<std::string, bool>{{"home/Downloads/debian.iso", false}, {"home/VMs/old.VDI", false}}));

    // The text form lists the images under the task's name.
    CommandRun text = brenvik({"scan", "system-junk/unused-disk-images"}, t, "linux");
    EXPECT_EQ(text.status, 0) << text.err;
    size_t group = text.out.find("Unused disk images");
    ASSERT_NE(group, std::string::npos) << text.out;
    EXPECT_NE(text.out.find("~/Downloads/debian.iso", group), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("~/VMs/old.VDI", group), std::string::npos) << text.out;

    // Never preselected: a clean leaves them unless one is included, and then takes that one alone
    // (the program's own log in the home aside).
    auto changed = [&](const BVDiskSnapshot& before) {
        std::vector<std::string> paths;
        for (const auto& p : BVChangedPaths(before, BVSnapshot(t / "home")))
            if (p.find("/.local/state/brenvik") == std::string::npos) paths.push_back(p);
        return paths;
    };
    auto before = BVSnapshot(t / "home");
    CommandRun plain = brenvik({"clean", "system-junk/unused-disk-images", "--yes", "--json"}, t, "linux");
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_TRUE(changed(before).empty());
    CommandRun one = brenvik({"clean", "system-junk/unused-disk-images", "--include", "*/debian.iso", "--yes", "--json"}, t, "linux");
    EXPECT_EQ(one.status, 0) << one.err << one.out;
    EXPECT_EQ(changed(before), (std::vector<std::string>{t / "home/Downloads/debian.iso"}));
}

TEST(BrenvikSystemJunk, CleanOnAMacosHomeTakesThePreselectedDeveloperJunk) {
    BVTemporaryFolder t;
    t.folder("root");
    const std::string xcode = "home/Library/Developer/Xcode/";
    t.file(xcode + "DerivedData/Shop-bxqzhgtdlkcrdw/Build/Products/Shop", 30000);
    t.file(xcode + "DerivedData/ModuleCache.noindex/Foundation.pcm", 20000);      // offered, not preselected
    t.file(xcode + "iOS Device Logs/Shop-2026-12-10.crash", 20000);              // the group is the item
    t.file(xcode + "iOS DeviceSupport/17.2 (21C62)/Symbols/dyld", 20000);        // offered, not preselected

    CommandRun r = brenvik({"clean", "system-junk/developer-junk", "--yes", "--json"}, t, "macos");
    EXPECT_EQ(r.status, 0) << r.err;
    auto doc = BVJSONCodec::decode(r.out);
    ASSERT_TRUE(doc) << r.out;
    EXPECT_EQ((*doc)["state"].uint64Value(), 1u);
    EXPECT_GE((*doc)["cleanedSize"].uint64Value(), 30000u + 20000u);
    struct stat st {};
    EXPECT_NE(lstat((t / (xcode + "DerivedData/Shop-bxqzhgtdlkcrdw")).c_str(), &st), 0);
    EXPECT_NE(lstat((t / (xcode + "iOS Device Logs")).c_str(), &st), 0);
    EXPECT_EQ(lstat((t / (xcode + "DerivedData/ModuleCache.noindex/Foundation.pcm")).c_str(), &st), 0);
    EXPECT_EQ(lstat((t / (xcode + "iOS DeviceSupport/17.2 (21C62)/Symbols/dyld")).c_str(), &st), 0);
}
