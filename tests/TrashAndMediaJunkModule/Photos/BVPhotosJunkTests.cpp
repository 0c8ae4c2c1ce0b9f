// The media caches of photo libraries: the command line on a macos fixture home (what is
// offered, what a clean changes, byte for byte), the ignore list, which libraries may be
// cleaned, and older libraries read through a scripted library handle (this host has none).
#include <gtest/gtest.h>

#include "Foundation/BVJSONCodec.h"
#include "Foundation/BVSystemVersion.h"
#include "KnowledgeBase/BVIgnoreItemInfo.h"
#include "KnowledgeBase/FMEncryptedDatabase.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "TrashAndMediaJunkModule/Photos/BVPhotosCacheModel.h"
#include "TrashAndMediaJunkModule/Photos/BVPhotosCacheScanTasks.h"
#include "TrashAndMediaJunkModule/Photos/BVPhotosLibraryInfo.h"
#include "TrashAndMediaJunkModule/Photos/BVPhotosModule.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"
#include "tests/fixtures/BVCommandRun.h"
#include "tests/fixtures/BVDiskSnapshot.h"

namespace {

const char* kLibrary = "home/Pictures/Photos Library.photoslibrary";

BVCommandRun brenvik(std::vector<std::string> arguments, const BVTemporaryFolder& t, const char* layout = "macos") {
    arguments.insert(arguments.end(), {"--home", t / "home", "--root", t / "root", "--layout", layout, "--no-progress"});
    return BVRunBrenvik(arguments);
}

// "value: file file" per offered cache, paths relative to the fixture, with whether all is ticked.
std::map<std::string, bool> offered(const BVValue& document, const std::string& base) {
    std::map<std::string, bool> found;
    for (const auto& result : document["results"].arrayValue())
        for (const auto& item : result["items"].arrayValue()) {
            std::string line = item["value"].stringValue() + ":";
            bool selected = item["autoselected"].boolValue();
            for (const auto& child : item["children"].arrayValue()) {
                line += " " + child["path"].stringValue().substr(base.size() + 1);
                selected = selected && child["autoselected"].boolValue();
            }
            found[line] = selected;
        }
    return found;
}

std::vector<std::string> paths(const BVScanResultPtr& result) {
    std::vector<std::string> out;
    for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{}))
        for (const auto& child : std::dynamic_pointer_cast<BVTreeEntity>(item)->children()) out.push_back(BVEntityPath(child));
    return out;
}

}  // namespace

// Two libraries (one with its extension in capitals) give a faces and a photos cache each;
// movies, the originals, a folder that is not a library, a library reached through a link and
// what a link inside the caches points to are never offered; the clean removes exactly the
// offered files (the link itself, not its target).
TEST(BVPhotosJunk, OffersTheMediaCachesOfEachLibraryAndCleansExactlyThem) {
    BVTemporaryFolder t;
    t.folder("root");
    std::string library = kLibrary;
    t.file(library + "/resources/media/version/00/a.jpeg", 30000);
    t.file(library + "/resources/media/version/00/clip.MOV", 20000);
    t.file(library + "/resources/media/master/01/b.heic", 10000);
    t.file(library + "/resources/media/face/02/f.jpg", 5000);
    t.file(library + "/originals/0/original.heic", 40000);
    t.fileWithText("home/Documents/mine.txt", "mine");
    t.symlink(library + "/resources/media/version/documents", t / "home/Documents");
    t.file("home/Pictures/Trip.PHOTOSLIBRARY/resources/media/face/f2.jpg", 3000);
    t.file("home/Pictures/Plain folder/resources/media/face/x.jpg", 3000);
    t.file("elsewhere/Far.photoslibrary/resources/media/face/far.jpg", 3000);
    t.symlink("home/Pictures/Far.photoslibrary", t / "elsewhere/Far.photoslibrary");

    BVCommandRun scan = brenvik({"scan", "photos", "--json"}, t);
    ASSERT_EQ(scan.status, 0) << scan.err;
    auto document = BVJSONCodec::decode(scan.out);
    ASSERT_TRUE(document) << scan.out;
    std::map<std::string, bool> expected = {
        {"Photos Library: faces cache: " + library + "/resources/media/face/02/f.jpg", true},
        {"Photos Library: photos cache: " + library + "/resources/media/version/00/a.jpeg " + library +
             "/resources/media/version/documents " + library + "/resources/media/master/01/b.heic",
         true},
        {"Trip: faces cache: home/Pictures/Trip.PHOTOSLIBRARY/resources/media/face/f2.jpg", true},
        {"Trip: photos cache:", true},
    };
    EXPECT_EQ(offered(*document, t.path()), expected) << scan.out;

    auto before = BVSnapshot(t.path());
    BVCommandRun clean = brenvik({"clean", "photos", "--yes"}, t);
    ASSERT_EQ(clean.status, 0) << clean.err << clean.out;
    auto changed = BVChangedPaths(before, BVSnapshot(t.path()));
    std::erase_if(changed, [&](const std::string& p) { return p.starts_with(t / "home/Library"); });
    std::vector<std::string> gone = {t / library + "/resources/media/face/02/f.jpg", t / library + "/resources/media/master/01/b.heic",
                                     t / library + "/resources/media/version/00/a.jpeg", t / library + "/resources/media/version/documents",
                                     t / "home/Pictures/Trip.PHOTOSLIBRARY/resources/media/face/f2.jpg"};
    std::sort(gone.begin(), gone.end());
    EXPECT_EQ(changed, gone);
    EXPECT_EQ(BVReadText(t / "home/Documents/mine.txt"), "mine");

    // The linux layout has no photo libraries: no task, nothing offered.
    BVCommandRun linux = brenvik({"scan", "photos", "--json"}, t, "linux");
    ASSERT_EQ(linux.status, 0) << linux.err;
    EXPECT_EQ(BVJSONCodec::decode(linux.out).value()["results"].arrayValue().size(), 0u) << linux.out;
}

// A cache's group key on the ignore list empties that cache; a file's path keeps just the file.
TEST(BVPhotosJunk, TheIgnoreListHidesACacheOrAFile) {
    BVJunkFixture f({}, BVLayout::macos);
    std::string library = f.home() + "/Pictures/Photos Library.photoslibrary";
    std::string kept = f.file("Pictures/Photos Library.photoslibrary/resources/media/version/kept.jpeg", 1000);
    std::string offeredFile = f.file("Pictures/Photos Library.photoslibrary/resources/media/master/m.jpeg", 1000);
    f.file("Pictures/Photos Library.photoslibrary/resources/media/face/f.jpg", 1000);
    auto handle = f.handle(BVScannerPhotoLibraryCaches);
    ASSERT_TRUE(handle->createIgnoreItemWithInfo(BVIgnoreItemInfo(kept)));
    ASSERT_TRUE(handle->createIgnoreItemWithInfo(BVIgnoreItemInfo(BVPhotosCacheKeyFaces)));
    auto fm = BVFileManager::defaultManager();
    BVPhotosCacheScanTask photos(library, fm, handle);
    EXPECT_EQ(paths(photos.scan()), std::vector<std::string>{offeredFile});
    BVPhotosFacesCacheScanTask faces(library, fm, handle);
    EXPECT_TRUE(faces.scan()->items().value_or(std::vector<BVEntityPtr>{1}).empty());
}

// Which libraries may be cleaned: by extension, by the schema version against the knowledge
// base's range for the photos application, and always by a beta build.
TEST(BVPhotosJunk, ALibraryIsCleanedOnlyWithinTheKnownVersions) {
    BVKnowledgeBaseFixture f;
    BVRuleRecord app = BVRule(1, "Photos", 1);
    app.applicationName = "Photos";
    app.bundleID = "com.apple.Photos";
    f.buildShipped({app});
    {
        FMEncryptedDatabase db(f.shippedPath);
        ASSERT_TRUE(db.openDatabase());
        int64_t record = db.longForQuery("SELECT RecordID FROM Application WHERE BundleID = 'com.apple.Photos'");
        for (auto [version, max] : {std::pair{"6000", 1}, {"5000", 0}})
            ASSERT_TRUE(db.executeUpdate("INSERT INTO AppCompatibility (CompatibleApp, BRK_Version, AppVersion, MinMaxState) VALUES (?, '0.0', ?, ?)",
                                         {record, std::string(version), int64_t(max)}));
    }
    auto kb = f.makeKnowledgeBase();
    auto plist = [](const char* version) {
        return std::string("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>LibrarySchemaVersion</key><integer>") + version +
               "</integer></dict></plist>";
    };
    struct Case {
        const char* library;
        const char* folder;  // where DataModelVersion.plist is, or none
        const char* version;
        BVPhotosLibraryCompatibility compatibility;
    } cases[] = {
        {"In range.photoslibrary", "database", "5500", BVPhotosLibraryCompatibility::Supported},
        {"Old spelling.photoslibrary", "Database", "5500", BVPhotosLibraryCompatibility::Supported},
        {"Too new.photoslibrary", "database", "7001", BVPhotosLibraryCompatibility::Newer},
        {"Too old.photoslibrary", "database", "4000", BVPhotosLibraryCompatibility::Older},
        {"Migrated.MigratedPhotosLibrary", "database", "6000", BVPhotosLibraryCompatibility::Supported},
        {"No version.photoslibrary", nullptr, "", BVPhotosLibraryCompatibility::Supported},
        {"Not a library.photos", "database", "9999", BVPhotosLibraryCompatibility::Supported},
    };
    BVPhotosLibraryInfo release(kb, BVFileManager::defaultManager(), "4.2.0");
    BVPhotosLibraryInfo beta(kb, BVFileManager::defaultManager(), "4.2.0b3");
    for (const auto& c : cases) {
        std::string path = f.folder / c.library;
        if (c.folder) f.folder.fileWithText(std::string(c.library) + "/" + c.folder + "/DataModelVersion.plist", plist(c.version));
        else f.folder.folder(c.library);
        EXPECT_EQ(release.checkCompatibilityWithLibraryAtPath(path), c.compatibility) << c.library;
        EXPECT_EQ(release.isLibrarySupportedAtPath(path), c.compatibility == BVPhotosLibraryCompatibility::Supported) << c.library;
        EXPECT_TRUE(beta.isLibrarySupportedAtPath(path)) << c.library;
    }
    EXPECT_TRUE(BVPhotosLibraryInfo::isPhotosLibraryAtPath("/x/Migrated.MigratedPhotosLibrary"));
    EXPECT_FALSE(BVPhotosLibraryInfo::isPhotosLibraryAtPath("/x/Not a library.photos"));
}

namespace {

// A library of an older system, held in memory: its resources and where their files are.
class ScriptedLibrary final : public BVPhotos {
public:
    bool openLibraryWithTimeout(double seconds, BVError* error) override {
        timeout = seconds;
        if (openFails && error) *error = BVError(BVPhotosErrorDomain, 9, BVDictionary{{BVLocalizedDescriptionKey, BVValue("timed out")}});
        return !openFails;
    }
    void closeLibrary() override { ++closes; }
    std::string libraryURL() const override { return "/x/Old.photoslibrary"; }
    std::vector<BVPhotosResource> modelResources(const BVPhotosPredicatePtr& predicate) override {
        std::vector<BVPhotosResource> chosen;
        for (const auto& r : resources)
            if (predicate->evaluate(r.properties)) chosen.push_back(r);
        return chosen;
    }
    bool hasCloudResources() override { return cloud; }
    std::optional<std::string> fileURLForResource(const BVPhotosResource& r, int, BVError* error) override {
        auto file = files.find(r.identifier);
        if (file != files.end()) return file->second;
        if (error) *error = BVError(BVPhotosErrorDomain, 3, BVDictionary{{BVLocalizedDescriptionKey, BVValue("no file")}});
        return std::nullopt;
    }
    void add(const std::string& id, int64_t type, const std::string& tag, int64_t attached, std::optional<std::string> file) {
        resources.push_back({id, {{"resourceType", BVValue(type)}, {"resourceTag", BVValue(tag)}, {"attachedModelType", BVValue(attached)}}});
        if (file) files[id] = *file;
    }

    std::vector<BVPhotosResource> resources;
    std::map<std::string, std::string> files;
    bool openFails = false, cloud = false;
    int closes = 0;
    double timeout = 0;
};

}  // namespace

// On a system older than 12 the module reads the caches from the library's records: face crops
// of unadjusted originals, then versions and masters, each file once; a resource without a file
// and an ignored path are left out; a library with cloud resources names its photos cache by the cloud key; a
// library that does not open is the task's error.
TEST(BVPhotosJunk, OlderLibrariesAreReadThroughTheLibrary) {
    BVJunkFixture f({}, BVLayout::macos);
    BVSystemVersion::setCurrent({11, 0, 0});
    f.kb.folder.folder("home/Pictures/Photos Library.photoslibrary");
    auto library = std::make_shared<ScriptedLibrary>();
    std::string face = f.file("old/face.jpg", 1000), version = f.file("old/version.jpg", 2000), master = f.file("old/master.jpg", 3000);
    std::string ignored = f.file("old/ignored.jpg", 4000);
    library->add("face", 5, "UNADJUSTEDRAW", 5, face);
    library->add("adjusted-face", 5, "ADJUSTED", 5, f.file("old/adjusted.jpg", 1000));
    library->add("version", 4, "", 0, version);
    library->add("master", 5, "UNADJUSTEDNONRAW", 0, master);
    library->add("lost", 4, "", 0, std::nullopt);
    library->add("ignored", 4, "", 0, ignored);
    ASSERT_TRUE(f.handle(BVScannerPhotoLibraryCaches)->createIgnoreItemWithInfo(BVIgnoreItemInfo(ignored)));

    auto tasks = BVPhotosModule::scanTasks(f.environment(), "4.2.0", library);
    ASSERT_EQ(tasks.size(), 1u);
    auto result = tasks[0]->scan();
    EXPECT_EQ(result->identifier(), BVPhotosScanIdentifierCacheCompound);
    ASSERT_EQ(result->items()->size(), 2u);
    auto faces = std::dynamic_pointer_cast<BVPhotosCacheModel>(result->items()->at(0));
    auto cache = std::dynamic_pointer_cast<BVPhotosCacheModel>(result->items()->at(1));
    ASSERT_TRUE(faces && cache);
    EXPECT_EQ(faces->key(), BVPhotosCacheKeyFaces);
    EXPECT_EQ(cache->key(), BVPhotosCacheKeyPhotos);
    // Masters are resources of type 5, so the face crop (type 5 too) would be listed twice: it is
    // offered once, in the faces cache.
    std::string adjusted = f.home() + "/old/adjusted.jpg";
    EXPECT_EQ(paths(result), (std::vector<std::string>{face, version, adjusted, master}));
    EXPECT_EQ(library->timeout, 60);
    EXPECT_EQ(library->closes, 1);

    library->cloud = true;
    auto cloud = BVPhotosModule::scanTasks(f.environment(), "4.2.0", library)[0]->scan();
    EXPECT_EQ(std::dynamic_pointer_cast<BVPhotosCacheModel>(cloud->items()->at(1))->key(), BVPhotosCacheKeyCloud);

    library->openFails = true;
    auto failed = BVPhotosModule::scanTasks(f.environment(), "4.2.0", library)[0]->scan();
    ASSERT_TRUE(failed->error());
    EXPECT_EQ(failed->error()->localizedDescription(), "timed out");
    // Without a library handle an older system's libraries are not offered at all.
    EXPECT_TRUE(BVPhotosModule::scanTasks(f.environment(), "4.2.0").empty());
    BVSystemVersion::resetCurrent();
}
