// The cloud-storage and music-streaming clients' caches: accounts read from a real-shaped
// info file, the cache walk, and the storage location read from the client's prefs.
#include <gtest/gtest.h>

#include "Foundation/QLFileSizer.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "SystemJunkModule/BVDropboxCacheScanTask.h"
#include "SystemJunkModule/BVSpotifyCacheScanTask.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"

TEST(BVDropbox, AccountsFromTheInfoFile) {
    BVJunkFixture f;
    std::string home = f.home();
    std::string info = home + "/.dropbox/info.json";
    struct Case {
        const char* name;
        std::optional<std::string> text;  // none: no info file
        std::vector<BVDropboxAccount> expected;
    };
    const std::vector<Case> cases = {
        {"personal and business",
         R"json({"personal": {"path": "/home/u/Dropbox", "host": 5829471033, "is_team": false, "subscription_type": "Basic"},
             "business": {"path": "/home/u/Dropbox (Acme)", "host": 8836120417, "is_team": true, "subscription_type": "Business"}})json",
         {BVDropboxAccount("/home/u/Dropbox (Acme)", 8836120417, BVDropboxAccount::Business),
          BVDropboxAccount("/home/u/Dropbox", 5829471033, BVDropboxAccount::Personal)}},
        {"unknown type, no host", R"({"team_space": {"path": "/srv/box"}})", {BVDropboxAccount("/srv/box", 0, BVDropboxNotFound)}},
        {"members that are not accounts, a relative folder", R"({"personal": {"path": 7}, "business": "x", "other": {"host": 1}, "team": {"path": "Dropbox"}})", {}},
        {"not JSON", "{\"personal\": ", {}},
        {"no file", std::nullopt, {}},
    };
    for (const auto& c : cases) {
        std::remove(info.c_str());
        if (c.text) f.kb.folder.fileWithText("home/.dropbox/info.json", *c.text);
        EXPECT_EQ(BVDropbox(info, home).fetchAccounts(), c.expected) << c.name;
    }
    // Without accounts the task uses the default one: "~/Dropbox".
    BVDropboxCacheScanTask task(std::make_shared<BVDropbox>(info, home), BVFTSFileManager::sharedManager(), f.handle(10));
    EXPECT_EQ(task.dropboxAccounts(), std::vector<BVDropboxAccount>{BVDropboxAccount::defaultAccount(home)});
    EXPECT_EQ(task.dropboxAccounts().front().folder(), home + "/Dropbox");
}

TEST(BVDropboxCacheScanTask, OffersTheCacheTreeOnceAndSkipsEmptyEntries) {
    BVJunkFixture f;
    std::string home = f.home();
    f.kb.folder.fileWithText("home/.dropbox/info.json", R"({"personal": {"path": ")" + home + R"(/Box", "host": 1}})");
    std::string cache = home + "/Box/.dropbox.cache";
    f.file("Box/.dropbox.cache/2024-01-01/staged/part", 9000);
    f.file("Box/.dropbox.cache/loose", 5000);
    f.file("Box/.dropbox.cache/empty", 0);
    f.file("Box/kept-document", 5000);
    BVDropboxCacheScanTask task(BVDropbox::dropbox(*f.kb.paths), BVFTSFileManager::sharedManager(), f.handle(10));
    auto result = task.scan();
    ASSERT_EQ(result->items()->size(), 1u);
    auto sequence = std::dynamic_pointer_cast<BVFileURLSequenceModel>(result->items()->at(0));
    ASSERT_TRUE(sequence);
    EXPECT_EQ(BVEntityPath(sequence), cache);
    std::vector<std::string> files;
    for (const auto& file : sequence->files()) {
        files.push_back(BVEntityPath(file));
        EXPECT_TRUE(file->autoselected());
    }
    // The dated folder is offered with everything in it; what is inside is not listed again.
    EXPECT_EQ(files, (std::vector<std::string>{cache + "/2024-01-01", cache + "/loose"}));
    // Everything in the cache folder, counted once.
    EXPECT_EQ(sequence->size(), QLFileSizer::itemSizeAtPath(cache) - BVAllocatedBytes(cache));
}

TEST(BVSpotify, StorageLocationFromThePrefs) {
    BVJunkFixture f;
    std::string prefs = f.home() + "/.config/spotify/prefs";
    std::string fallback = f.home() + "/.cache/spotify/Storage";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"storage.location=\"/mnt/a\"\nstorage.last-location=\"/mnt/b\"\n", "/mnt/b"},
        {"app.player.volume=40000\nstorage.location=\"/mnt/a\"\n", "/mnt/a"},
        {"storage.last-location=\"/mnt/unclosed\n", fallback},
        {"storage.location=\"relative/dir\"\n", fallback},
        {"storage.size=2048\n", fallback},
    };
    for (const auto& [text, expected] : cases) {
        f.kb.folder.fileWithText("home/.config/spotify/prefs", text);
        EXPECT_EQ(BVSpotify(prefs, fallback).persistentStorageLocation(), expected) << text;
    }
    EXPECT_EQ(BVSpotify(f.home() + "/none/prefs", fallback).persistentStorageLocation(), std::nullopt);
}

TEST(BVSpotifyCacheScanTask, OffersTheStorageNotPreselected) {
    BVJunkFixture f;
    std::string storage = f.home() + "/music-cache";
    f.kb.folder.fileWithText("home/.config/spotify/prefs", "storage.location=\"" + storage + "\"\n");
    auto run = [&] {
        return BVSpotifyCacheScanTask(BVFileManager::defaultManager(), f.handle(10), BVSpotify::spotify(*f.kb.paths)).scan();
    };
    EXPECT_TRUE(run()->items()->empty());  // named, but not there
    f.file("music-cache/data/ab", 20000);
    auto result = run();
    ASSERT_EQ(BVItemTexts(result), std::vector<std::string>{storage});
    EXPECT_FALSE(result->items()->at(0)->autoselected());
    EXPECT_GE(result->size(), 20000u);
}
