// Display descriptions of stored ignore entries: which kind describes which scanners, and the
// title, subtitle, icon, path and stored-back value each kind gives.
#include <gtest/gtest.h>

#include "KnowledgeBase/BVIgnoreListItem.h"

namespace {

struct Entry {
    std::string value;
    BVScannerSet scanners;
    BVDictionary additional = {};
    BVKBApplicationInfo application = {"", ""};
    bool regex = false;
};

BVDictionary itemInfo(const Entry& e) {
    BVDictionary info{{BVItemInfoValueKey, e.value}, {BVItemInfoScannersKey, BVScannerSetValue(e.scanners)}};
    if (e.regex) info[BVItemInfoIsRegExpKey] = true;
    if (!e.additional.empty()) info[BVItemInfoAdditionalInfoKey] = e.additional;
    if (!e.application.bundleID().empty()) info[BVItemInfoApplicationInfoKey] = e.application.value();
    return info;
}

BVIgnoreListContext installedNotes() {
    BVIgnoreListContext context;
    context.installedApplication = [](const std::string& bundleID) -> std::optional<BVKBApplicationInfo> {
        if (bundleID == "com.example.notes") return BVKBApplicationInfo("Notes Pro", bundleID, "/Applications/Notes Pro.app");
        if (bundleID == "com.example.sheets") return BVKBApplicationInfo("Sheets", bundleID, "/Applications/Office/Sheets.app");
        return std::nullopt;
    };
    context.suiteApplications = [](const std::string& suite) {
        if (suite != "Office") return std::vector<BVKBApplicationInfo>{};
        return std::vector<BVKBApplicationInfo>{{"Words", "com.example.words"}, {"Sheets", "com.example.sheets"}};
    };
    return context;
}

const BVKBApplicationInfo notes{"Notes", "com.example.notes"};

}  // namespace

TEST(BVIgnoreListItem, EachKindDescribesItsEntries) {
    struct Case {
        const char* what;
        Entry entry;
        int type;
        std::string title, subtitle, iconType, iconValue, path, value;
    } cases[] = {
        // Caches win over the system-junk group they belong to.
        {"cache folder", {"~/Library/Caches/com.example.tool", {9, 26}}, 1, "com.example.tool", "System cache", "path",
         "~/Library/Caches/com.example.tool", "~/Library/Caches/com.example.tool", ""},
        {"all caches of an application", {"~/Library/Caches/com.example.notes", {10}, {{"BVNodeInfoCacheBundleId", "com.example.notes"}, {"BVNodeInfoCacheRelationState", 1}}},
         3, "Notes Pro Cache", "All caches of the application", "apps", "com.example.notes", "~/Library/Caches/com.example.notes", "com.example.notes"},
        {"cache of an application not installed", {"~/Library/Caches/org.gone", {10}, {{"BVNodeInfoCacheBundleId", "org.gone"}}},
         1, "org.gone Cache", "User cache", "apps", "org.gone", "~/Library/Caches/org.gone", ""},
        {"cache related by name only", {"~/Library/Caches/org.other", {10}, {{"BVNodeInfoCacheBundleId", "org.other"}, {"BVNodeInfoCacheRelationState", 2}}},
         1, "org.other", "User cache", "path", "~/Library/Caches/org.other", "~/Library/Caches/org.other", ""},
        {"old cache group", {"~/Library/Caches/Browsers-CacheGroup", {10}}, 3, "Browsers", "User cache", "name", "SmartFolderPurple",
         "~/Library/Caches/Browsers-CacheGroup", ""},
        {"document versions", {"~/Documents/Report.pages", {73}, {}, notes}, 30, "Report.pages", "Document versions", "apps",
         "com.example.notes", "~/Documents/Report.pages", ""},
        {"language of one application", {"/Applications/Notes.app/Contents/Resources/de.lproj", {5}, {{"BVNodeInfoLangISOCode", "de"}}, notes},
         4, "Notes Pro", "Language files of the application", "apps", "com.example.notes",
         "/Applications/Notes.app/Contents/Resources/de.lproj", ""},
        {"language of all applications", {".*/de\\.lproj", {5}, {{"BVNodeInfoLangISOCode", "de"}}, {"", ""}, true}, 5, "German",
         "Language files of all applications", "lang", "de", ".*/de\\.lproj", ""},
        {"application of the languages scanner", {"/Applications/Notes.app", {5}, {}, notes}, 2, "Notes Pro", "Application", "apps",
         "com.example.notes", "/Applications/Notes Pro.app", ""},
        {"universal binary of an application not installed", {"/Applications/Old.app", {30}, {}, {"Old Tool", "org.old"}}, 2, "Old Tool",
         "Application", "apps", "org.old", "/Applications/Old.app", ""},
        {"system language", {"fr", {39}}, 6, "French", "System language files", "lang", "fr", "", ""},
        {"uninstaller application", {"/Applications/Notes.app", {1, 2}, {}, notes}, 22, "Notes Pro", "Application", "apps",
         "com.example.notes", "/Applications/Notes Pro.app", ""},
        {"uninstaller suite", {"Office", {1}, {{"BVNodeInfoAppSuite", "Office"}}}, 22, "Office", "Application", "apps",
         "com.example.sheets", "/Applications/Office/Sheets.app", ""},
        {"broken update", {"~/Downloads/Notes.zip", {74}, {{"BVNodeInfoGenericLocalizedName", "Notes 2.1"}, {"BVNodeInfoGenericIcon", BVDictionary{{"BVBrokenApplicationUpdateIconInfoSourceKey", "com.example.notes"}, {"BVBrokenApplicationUpdateIconInfoTypeKey", "app"}}}}},
         31, "Notes 2.1", "Outdated application update", "apps", "com.example.notes", "~/Downloads/Notes.zip", ""},
        {"photo-library cache", {"photosCachesCleanupScannerFacesIdentifier", {67}, {{"BVNodeInfoGenericLocalizedName", "Faces"}}}, 13,
         "Faces", "", "name", "photosCacheFacesCache", "photosCachesCleanupScannerFacesIdentifier", ""},
        {"system log", {"/Library/Logs/system.log", {26}}, 1, "system", "System log", "path", "/Library/Logs/system.log",
         "/Library/Logs/system.log", ""},
        {"stored title and icon win", {"/Library/Logs/x.log", {27}, {{"BVNodeInfoGenericLocalizedNameInfo", BVDictionary{{"type", "copy"}, {"value", "ItemTitle_DownloadsLog"}, {"table", "SystemJunkModule"}}}, {"BVNodeInfoGenericIconInfo", BVDictionary{{"type", "name"}, {"value", "DownloadsLogItemIcon"}}}}},
         1, "Download history", "User log", "name", "DownloadsLogItemIcon", "/Library/Logs/x.log", ""},
        {"shown path differs from the value", {"~/Stuff/old/junk.tmp", {3}, {{"path", "~/Stuff/junk.tmp"}}}, 1, "junk",
         "Leftover of a removed application", "path", "~/Stuff/junk.tmp", "~/Stuff/junk.tmp", ""},
        {"device backup", {"~/Library/Backups/abc", {36}, {{"productType", "iPhone10,3"}}}, 25, "abc", "Device backup", "device",
         "iPhone10,3", "~/Library/Backups/abc", ""},
        {"media-library cache", {"~/Library/Caches/media", {66}}, 29, "media", "Media library cache", "name", "iTunesCachesIcon",
         "~/Library/Caches/media", ""},
        {"mail attachment", {"~/Mail/a.pdf", {40}}, 23, "a", "", "path", "~/Mail/a.pdf", "~/Mail/a.pdf", ""},
        {"pattern of mail attachments", {"~/Mail/.*\\.eml", {40}, {}, {"", ""}, true}, 23, "~/Mail/.*\\.eml", "", "path",
         "~/Mail/.*\\.eml", "~/Mail/.*\\.eml", ""},
        {"cache folder of both cache scanners", {"~/.cache/thumbnails", BVScannerIdentifiers::normalize(1000001)}, 1, "thumbnails",
         "User cache", "path", "~/.cache/thumbnails", "~/.cache/thumbnails", ""},
        {"cache pattern", {"/var/cache/.*\\.tmp", {9, 10}, {}, {"", ""}, true}, 1, "/var/cache/.*\\.tmp", "System cache", "path",
         "/var/cache/.*\\.tmp", "/var/cache/.*\\.tmp", ""},
    };
    BVIgnoreListContext context = installedNotes();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto item = BVIgnoreListItem::ignoreListItemWithInfo(itemInfo(c.entry), context);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->type(), c.type);
        ASSERT_TRUE(item->titleInfo());
        EXPECT_EQ(item->titleInfo()->displayText(), c.title);
        EXPECT_EQ(item->subtitleInfo() ? item->subtitleInfo()->displayText() : "", c.subtitle);
        ASSERT_TRUE(item->iconInfo());
        EXPECT_EQ(item->iconInfo()->type(), c.iconType);
        EXPECT_EQ(item->iconInfo()->value(), c.iconValue);
        EXPECT_EQ(item->path().value_or(""), c.path);
        EXPECT_EQ(item->value().value_or(""), c.value);
    }
}

TEST(BVIgnoreListItem, ScannersOutsideEveryKindGetOnlyThePlainDescription) {
    for (BVScannerSet scanners : {BVScannerSet{24}, BVScannerSet{78}, BVScannerSet{}, BVScannerSet{BVAllScannersIdentifier}}) {
        BVDictionary info = itemInfo({"~/Movies/Big File.mov", scanners});
        EXPECT_FALSE(BVIgnoreListItem::ignoreListItemWithInfo(info));
        auto plain = BVIgnoreListItem::plainIgnoreListItemWithInfo(info);
        ASSERT_TRUE(plain && plain->titleInfo() && plain->iconInfo());
        EXPECT_EQ(plain->titleInfo()->displayText(), "Big File");
        EXPECT_EQ(plain->iconInfo()->value(), "~/Movies/Big File.mov");
        EXPECT_EQ(plain->type(), 1);
    }
}

TEST(BVIgnoreListItem, ScannerDescriptions) {
    EXPECT_EQ(BVIgnoreListItem::descriptionForScannerID(3)->localizedTable(), "Legacy");
    EXPECT_EQ(BVIgnoreListItem::descriptionForScannerID(9)->localizedTable(), "Preferences");
    EXPECT_EQ(BVIgnoreListItem::descriptionForScannerID(61)->displayText(), "Developer tool junk");
    EXPECT_FALSE(BVIgnoreListItem::descriptionForScannerID(1));
    EXPECT_FALSE(BVIgnoreListItem::descriptionForScannerID(BVAllScannersIdentifier));
}
