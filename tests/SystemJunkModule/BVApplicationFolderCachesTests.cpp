// The caches applications keep in their own folders (browser profiles, Electron applications,
// snaps, fixed places), end to end with the shipped rules: what is offered in which group, what
// never is, and that a clean removes exactly the offered contents and keeps the folders.
#include <gtest/gtest.h>

#include <functional>

#include "Foundation/BVJSONCodec.h"
#include "SystemJunkModule/BVApplicationFolderCachesScanTask.h"
#include "tests/fixtures/BVCommandRun.h"
#include "tests/fixtures/BVDiskSnapshot.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

BVCommandRun brenvik(std::vector<std::string> arguments, const BVTemporaryFolder& fixture, const std::string& layout) {
    arguments.insert(arguments.end(), {"--home", fixture / "home", "--root", fixture / "root", "--layout", layout, "--no-progress"});
    return BVRunBrenvik(arguments);
}

// "group/path" for every file of the user caches result (paths relative to the home), with
// each entity's preselection.
std::map<std::string, bool> userCaches(const BVTemporaryFolder& fixture, const std::string& layout) {
    BVCommandRun r = brenvik({"scan", "system-junk", "--json"}, fixture, layout);
    EXPECT_EQ(r.status, 0) << r.err;
    auto doc = BVJSONCodec::decode(r.out);
    std::map<std::string, bool> found;
    if (!doc) return found;
    std::string home = (fixture / "home") + "/";
    for (const auto& result : (*doc)["results"].arrayValue()) {
        if (result["identifier"].stringValue() != "BVSystemJunkScanIdentifierUserCachesCompound") continue;
        for (const auto& group : result["items"].arrayValue())
            for (const auto& item : group["children"].arrayValue()) {
                std::string path = item["path"].stringValue();
                if (path.compare(0, home.size(), home) == 0) path = path.substr(home.size());
                found[group["value"].stringValue() + ": " + path] = item["autoselected"].boolValue();
            }
    }
    return found;
}

}  // namespace

TEST(BVApplicationFolderCaches, GroupOfACache) {
    using Place = BVApplicationCachePlace;
    const Place config{".config", 5, Place::Grouping::ApplicationFolder, nullptr};
    const Place snaps{"snap", 3, Place::Grouping::FirstFolder, nullptr};
    const Place java{".java/deployment", 1, Place::Grouping::Fixed, "java"};
    struct Case {
        const Place& place;
        std::string cache;
        std::string group;
    } cases[] = {
        {config, "/h/.config/discord/Cache", "discord"},
        {config, "/h/.config/chromium/Default/GPUCache", "chromium"},
        {config, "/h/.config/chromium/Profile 12/Service Worker/CacheStorage", "chromium"},
        {config, "/h/.config/BraveSoftware/Brave-Browser/Default/Code Cache", "Brave-Browser"},
        {config, "/h/.config/Code/CachedData", "Code"},
        {snaps, "/h/snap/firefox/common/.cache", "firefox"},
        {snaps, "/h/snap/firefox/2356/.cache", "firefox"},
        {java, "/h/.java/deployment/cache", "java"},
    };
    for (const auto& c : cases) {
        std::string place = std::string("/h/") + c.place.subpath;
        EXPECT_EQ(BVApplicationFolderCachesScanTask::groupIdentifier(c.place, place, c.cache), c.group) << c.cache;
    }
}

TEST(BVApplicationFolderCaches, OffersTheCachesOfApplicationFoldersAndCleansOnlyThem) {
    for (const std::string layout : {"linux", "macos"}) {
        SCOPED_TRACE(layout);
        BVTemporaryFolder t;
        t.folder("root");
        bool mac = layout == "macos";
        std::string support = mac ? "home/Library/Application Support/" : "home/.config/";
        std::string chrome = mac ? support + "Google/Chrome" : support + "chromium";
        std::string chromeGroup = mac ? "Chrome" : "chromium";
        // Caches, in the application's folder or in a profile.
        t.file(support + "discord/Cache/Cache_Data/f_000001", 30000);
        t.file(support + "Slack/Cache/data_0", 30000);
        t.file(support + "Code/CachedData/abc/code.js", 30000);
        t.file(chrome + "/Default/GPUCache/data_1", 30000);
        t.file(chrome + "/Default/Code Cache/js/index", 30000);
        t.file(chrome + "/Profile 2/Service Worker/CacheStorage/h/0", 30000);
        // The user's data and sessions beside them.
        t.file(support + "discord/Local Storage/leveldb/000003.log", 30000);
        t.file(support + "Slack/IndexedDB/https_app.slack.com_0.indexeddb.leveldb/000005.ldb", 30000);
        t.file(support + "Slack/Cookies", 30000);
        t.file(support + "Code/User/settings.json", 300);
        t.file(chrome + "/Default/Session Storage/000001.log", 30000);
        t.file(chrome + "/Default/Service Worker/Database/000001.log", 30000);
        t.file(chrome + "/Default/History", 30000);
        // A folder named like a cache that is a link: never followed.
        t.file("elsewhere/precious", 30000);
        t.symlink(support + "linked/Cache", t / "elsewhere");
        std::map<std::string, bool> expected{
            {"discord: " + support.substr(5) + "discord/Cache/Cache_Data", true},
            {"Slack: " + support.substr(5) + "Slack/Cache/data_0", true},
            {"Code: " + support.substr(5) + "Code/CachedData/abc", true},
            {chromeGroup + ": " + chrome.substr(5) + "/Default/GPUCache/data_1", true},
            {chromeGroup + ": " + chrome.substr(5) + "/Default/Code Cache/js", true},
            {chromeGroup + ": " + chrome.substr(5) + "/Profile 2/Service Worker/CacheStorage/h", true},
        };
        if (!mac) {
            // The browser's cache folder proper joins the same group.
            t.file("home/.cache/chromium/Default/Cache/Cache_Data/x", 30000);
            t.file("home/snap/firefox/common/.cache/mozilla/x", 30000);
            t.file("home/snap/firefox/common/.mozilla/firefox/p/places.sqlite", 30000);
            t.file("home/.java/deployment/cache/6.0/1/a", 30000);
            t.file("home/.java/deployment/deployment.properties", 300);
            t.file("home/.thumbnails/normal/a.png", 30000);
            expected.insert({{"chromium: .cache/chromium", true},
                             {"firefox: snap/firefox/common/.cache/mozilla", true},
                             {"java: .java/deployment/cache/6.0", true},
                             {"thumbnails: .thumbnails/normal", true}});
        }
        EXPECT_EQ(userCaches(t, layout), expected);

        BVDiskSnapshot before = BVSnapshot(t.path());
        BVCommandRun clean = brenvik({"clean", "system-junk", "--yes", "--json"}, t, layout);
        EXPECT_EQ(clean.status, 0) << clean.err;
        // Exactly the offered items went, with what was inside them; their folders stay.
        std::vector<std::string> removed;
        for (const auto& [entry, selected] : expected) {
            std::string item = t / ("home/" + entry.substr(entry.find(": ") + 2));
            for (const auto& [path, what] : before)
                if (path == item || path.compare(0, item.size() + 1, item + "/") == 0) removed.push_back(path);
        }
        std::sort(removed.begin(), removed.end());
        auto changed = BVChangedPaths(before, BVSnapshot(t.path()));
        std::erase_if(changed, [](const std::string& path) { return path.ends_with("/Brenvik.log"); });  // the run's own log
        EXPECT_EQ(changed, removed);
    }
}
