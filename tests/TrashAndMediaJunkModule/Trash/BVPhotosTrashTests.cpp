// The photo-library trashes over a scripted library (this host has none): the library trash and
// the duplicate finder's album are listed with their files' sizes, hidden or trashed albums are
// skipped, the library is always closed, and the clean tasks change the library and report
// every photo, including when the library does not open.
#include <gtest/gtest.h>

#include "Foundation/BVFileManager.h"
#include "Foundation/QLFileSizer.h"
#include "ScanningService/CoreScanning/BVCleanTaskResult.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "TrashAndMediaJunkModule/Trash/BVPhotosItemModel.h"
#include "TrashAndMediaJunkModule/Trash/BVPhotosTrashCleanTasks.h"
#include "TrashAndMediaJunkModule/Trash/BVPhotosTrashScanTasks.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashModule.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

// A library held in memory; the files its versions name are real, so sizes are measured.
class ScriptedLibrary final : public BVPhotos {
public:
    explicit ScriptedLibrary(std::string url) : url_(std::move(url)) {}
    bool openLibraryWithTimeout(double seconds, BVError* error) override {
        timeout = seconds;
        ++opens;
        if (openFails && error) *error = BVError(BVPhotosErrorDomain, 9, BVDictionary{{BVLocalizedDescriptionKey, BVValue("timed out")}});
        return !openFails;
    }
    void closeLibrary() override { ++closes; }
    std::string libraryURL() const override { return url_; }
    BVPhotosRequestResult executeRequest(const BVPhotosLibraryRequest& request) override {
        BVPhotosRequestResult r;
        if (request.kind == BVPhotosLibraryRequest::Kind::Albums) {
            for (const auto& a : albums)
                if (!request.predicate || request.predicate->evaluate({{"name", BVValue(a.name)},
                                                                       {"isHidden", BVValue(a.isHidden)},
                                                                       {"isInTrash", BVValue(a.isInTrash)}}))
                    r.albums.push_back(a);
        } else {
            const auto& pool = request.kind == BVPhotosLibraryRequest::Kind::TrashedModels ? trash : all;
            for (const auto& v : pool)
                if (!request.predicate || request.predicate->evaluate({{"uuid", BVValue(v.uuid)}})) r.versions.push_back(v);
        }
        return r;
    }
    void loadImageProxyState(BVPhotosVersion& v) override {
        v.thumbnailPath = v.uuid + "_thumb.jpg";
        v.fullSizePreviewPath = v.uuid + "_preview.jpg";
    }
    void setIsInTrash(const BVPhotosVersion& v, bool inTrash, int reason) override {
        if (inTrash && reason == 2) movedToTrash.push_back(v.uuid);
    }
    std::optional<BVError> clearModelFromTrashSynchronously(const std::set<std::string>& uuids) override {
        cleared.push_back(uuids);
        return clearError;
    }

    std::string url_;
    std::vector<BVPhotosAlbum> albums;
    std::vector<BVPhotosVersion> trash, all;
    bool openFails = false;
    std::optional<BVError> clearError;
    int opens = 0, closes = 0;
    double timeout = 0;
    std::vector<std::string> movedToTrash;
    std::vector<std::set<std::string>> cleared;
};

class PhotosTrash : public ::testing::Test {
protected:
    void SetUp() override { library = std::make_shared<ScriptedLibrary>(t.folder("Photos Library.photoslibrary")); }
    BVPhotosVersion version(const std::string& uuid, uint64_t bytes) {
        BVPhotosVersion v;
        v.uuid = uuid;
        v.masterPath = t.file("Photos Library.photoslibrary/originals/" + uuid + ".heic", bytes);
        t.file("Photos Library.photoslibrary/resources/derivatives/masters/" + uuid + "_thumb.jpg", 100);
        t.file("Photos Library.photoslibrary/resources/derivatives/" + uuid + "_preview.jpg", 5000);
        return v;
    }
    std::vector<std::shared_ptr<BVPhotosItemModel>> photos(const BVScanResultPtr& r) {
        std::vector<std::shared_ptr<BVPhotosItemModel>> list;
        for (const auto& e : r->items().value_or(std::vector<BVEntityPtr>{})) list.push_back(std::dynamic_pointer_cast<BVPhotosItemModel>(e));
        return list;
    }
    BVTemporaryFolder t;
    std::shared_ptr<ScriptedLibrary> library;
};

}  // namespace

TEST_F(PhotosTrash, TheLibraryTrashListsEveryPhotoWithItsFiles) {
    library->trash = {version("A", 20000), version("B", 3000)};
    BVPhotosTrashScanTask task(library);
    auto models = photos(task.scan());
    ASSERT_EQ(models.size(), 2u);
    EXPECT_EQ(library->timeout, 60);
    EXPECT_EQ(library->closes, 1);
    const auto& a = *models[0];
    EXPECT_EQ(a.versionUuid(), "A");
    EXPECT_EQ(a.name(), "A.heic");
    EXPECT_EQ(a.type(), uint64_t(BVPhotosItemTypeLibraryTrash));
    EXPECT_EQ(a.libraryURL(), library->libraryURL());
    EXPECT_EQ(a.thumbnails().size(), 2u);
    uint64_t expected = 0;
    for (const auto& p : a.thumbnails()) expected += QLFileSizer::itemSizeAtPath(p);
    EXPECT_EQ(a.size(), expected + QLFileSizer::itemSizeAtPath(t / "Photos Library.photoslibrary/originals/A.heic"));
    EXPECT_TRUE(a.autoselected());
    // Removing a photo as a file is refused: only the library may drop it.
    EXPECT_TRUE(models[0]->remove()->error());
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(t / "Photos Library.photoslibrary/originals/A.heic"));

    // Same photo, other list: not equal.
    auto twin = BVPhotosItemModel::modelWithPhoto(std::dynamic_pointer_cast<const BVValueObject>(a.value())->value().dictionaryValue(),
                                                  BVPhotosItemTypeTwinaraAlbum, a.libraryURL(), true);
    EXPECT_FALSE(twin->isEqual(a));

    // An empty trash still opens and closes the library; one that does not open gives nothing.
    library->trash.clear();
    EXPECT_TRUE(photos(task.scan()).empty());
    EXPECT_EQ(library->opens, 2);
    EXPECT_EQ(library->closes, 2);
    library->openFails = true;
    auto failed = task.scan();
    EXPECT_FALSE(failed->error());
    EXPECT_TRUE(failed->items()->empty());
}

TEST_F(PhotosTrash, TheDuplicatesAlbumInAnyLanguageUnlessHiddenOrTrashed) {
    library->albums = {{"Doublons Twinara", false, false, {version("D1", 100)}},
                       {"Twinara Duplicates", true, false, {version("H1", 100)}},
                       {"Twinara Duplicates", false, true, {version("T1", 100)}},
                       {"Holidays", false, false, {version("X1", 100)}},
                       {"Twinara の重複項目", false, false, {version("J1", 100), version("J2", 100)}}};
    BVTwinaraTrashScanTask task(library);
    std::vector<std::string> uuids;
    for (const auto& m : photos(task.scan())) {
        uuids.push_back(m->versionUuid());
        EXPECT_EQ(m->type(), uint64_t(BVPhotosItemTypeTwinaraAlbum));
    }
    EXPECT_EQ(uuids, (std::vector<std::string>{"D1", "J1", "J2"}));
    EXPECT_EQ(library->closes, 1);

    // Older systems keep thumbnails beside the version and do not preselect.
    BVSystemVersion::setCurrent({10, 13, 0});
    library->albums = {{"Twinara Duplicates", false, false, {version("OLD", 100)}}};
    library->albums[0].versions[0].adjustmentUuid = "ADJ";
    library->albums[0].versions[0].modelId = 255;
    library->albums[0].versions[0].proxyFolder = "/lib/proxies";
    auto old = photos(task.scan());
    BVSystemVersion::resetCurrent();
    ASSERT_EQ(old.size(), 1u);
    EXPECT_FALSE(old[0]->autoselected());
    EXPECT_EQ(old[0]->thumbnailPath(), "/lib/proxies/ADJ_thumb_ff.jpg");
    EXPECT_EQ(old[0]->miniThumbnailPath(), "/lib/proxies/ADJ_mini_ff.jpg");
}

TEST_F(PhotosTrash, CleanTasksChangeTheLibraryAndReportEveryPhoto) {
    library->trash = {version("A", 20000), version("B", 3000)};
    auto trashed = photos(BVPhotosTrashScanTask(library).scan());
    auto cleaned = BVPhotosTrashCleanTask(trashed, library).perform();
    ASSERT_EQ(library->cleared.size(), 1u);
    EXPECT_EQ(library->cleared[0], (std::set<std::string>{"A", "B"}));
    EXPECT_EQ(cleaned->state(), uint64_t(BVRemovalStateSucceeded));
    EXPECT_EQ(cleaned->cleanedSize(), trashed[0]->size() + trashed[1]->size());

    // The library's own error is every photo's; nothing counts as freed.
    library->clearError = BVError(BVPhotosErrorDomain, 5);
    cleaned = BVPhotosTrashCleanTask(trashed, library).perform();
    EXPECT_EQ(cleaned->state(), uint64_t(BVRemovalStateFailed));
    EXPECT_EQ(cleaned->cleanedSize(), 0u);
    library->clearError.reset();
    library->openFails = true;
    cleaned = BVPhotosTrashCleanTask(trashed, library).perform();
    ASSERT_EQ(cleaned->results().size(), 2u);
    EXPECT_EQ(cleaned->results()[1]->error()->localizedDescription(), "timed out");
    library->openFails = false;
    EXPECT_TRUE(BVPhotosTrashCleanTask({}, library).perform()->results().empty());

    // The album's photos go to the library trash first, then out of it; one the library no
    // longer has frees nothing.
    library->albums = {{"Twinara Duplicates", false, false, {version("D1", 4000), version("D2", 4000)}}};
    auto album = photos(BVTwinaraTrashScanTask(library).scan());
    library->all = {library->albums[0].versions[0]};
    library->cleared.clear();
    auto tasks = BVTrashCleanTasks({album[0], album[1]}, library);
    ASSERT_EQ(tasks.size(), 1u);
    cleaned = tasks[0]->perform();
    EXPECT_EQ(library->movedToTrash, (std::vector<std::string>{"D1"}));
    EXPECT_EQ(library->cleared.at(0), (std::set<std::string>{"D1"}));
    EXPECT_EQ(cleaned->state(), uint64_t(BVRemovalStatePartlySucceeded));
    EXPECT_EQ(cleaned->cleanedSize(), album[0]->size());
}
