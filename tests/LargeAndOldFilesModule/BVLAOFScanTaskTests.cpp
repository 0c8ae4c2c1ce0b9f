// The large-files scan on real fixture homes (sparse files, so 50 MiB costs nothing on disk)
// with a real knowledge base: the size threshold, the location and type exclusions, the
// user's ignore list by path and by extension, the attributes the review groups need, the
// removal method from the user defaults, and the query's failure answers.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "Foundation/BVFileManager.h"
#include "Foundation/BVUserDefaults.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "LargeAndOldFilesModule/BVLAOFContentTypes.h"
#include "LargeAndOldFilesModule/BVLAOFFileModel.h"
#include "LargeAndOldFilesModule/BVLAOFFilter.h"
#include "LargeAndOldFilesModule/BVLAOFScanTask.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "tests/KnowledgeBase/BVKnowledgeBaseFixture.h"

namespace {

constexpr uint64_t kThreshold = 52428800;

class LargeFilesScan : public ::testing::Test {
protected:
    void SetUp() override {
        f.buildShipped({});
        kb = f.makeKnowledgeBase();
        wrapper = std::make_shared<BVKnowledgeBaseWrapper>(kb, BVLAOFScannerIdentifier,
                                                           BVKnowledgeBaseProvider::defaultScopeByIdentifier(24));
        defaults = std::make_shared<BVUserDefaults>(f.folder / "defaults.plist");
    }

    // A sparse file of `size` bytes under the home.
    std::string sparse(const std::string& relative, uint64_t size) {
        std::string path = f.folder.file("home/" + relative);
        EXPECT_EQ(::truncate(path.c_str(), off_t(size)), 0);
        return path;
    }

    std::vector<std::shared_ptr<BVLAOFFileModel>> scan(BVLayout layout, unsigned threads = 2) {
        auto paths = std::make_shared<const BVPaths>(layout, f.home());
        BVLAOFScanTask task(wrapper, paths, defaults, BVLAOFScanTask::homeWalkQueryFactory(threads));
        auto result = task.scan();
        EXPECT_FALSE(result->error());
        std::vector<std::shared_ptr<BVLAOFFileModel>> models;
        for (const auto& e : result->items().value_or(std::vector<BVEntityPtr>{}))
            models.push_back(std::dynamic_pointer_cast<BVLAOFFileModel>(e));
        return models;
    }

    std::set<std::string> found(BVLayout layout) {
        std::set<std::string> names;
        for (const auto& m : scan(layout)) names.insert(f.paths->abbreviateHome(m->url()->path()));
        return names;
    }

    BVKnowledgeBaseFixture f;
    std::shared_ptr<BVKnowledgeBase> kb;
    std::shared_ptr<BVKnowledgeBaseWrapper> wrapper;
    std::shared_ptr<BVUserDefaults> defaults;
};

}  // namespace

TEST_F(LargeFilesScan, FindsOnlyFilesAboveTheThresholdOutsideTheExcludedPlaces) {
    sparse("Downloads/exact.bin", kThreshold);
    sparse("Downloads/one-more.bin", kThreshold + 1);
    sparse("Movies/deep/a/b/c/film.mov", 3 * kThreshold);
    sparse("Library/Caches/cache.zip", 2 * kThreshold);           // the library folder
    sparse("Library Backup/old.pdf", 2 * kThreshold);             // a sibling: a plain prefix too
    sparse("Music/iTunes/Library.itl", 2 * kThreshold);           // the media library
    sparse("Music/iTunes Export/mix.mp3", 2 * kThreshold);        // beside it, not inside it
    sparse("Applications/Big.app/Contents/Resources/blob", 2 * kThreshold);  // a bundle
    sparse("Pictures/Photos Library.photoslibrary/originals/1.heic", 2 * kThreshold);
    sparse("Documents/Talk.key/Data/movie.mov", 2 * kThreshold);  // inside a package document
    sparse(".hidden/disk.qcow2", 2 * kThreshold);
    // A link to a large file is not the file: the walk never follows links.
    ASSERT_EQ(::symlink((f.home() + "/Downloads/one-more.bin").c_str(), (f.home() + "/link.bin").c_str()), 0);

    EXPECT_EQ(found(BVLayout::macos), (std::set<std::string>{"~/.hidden/disk.qcow2", "~/Downloads/one-more.bin",
                                                              "~/Movies/deep/a/b/c/film.mov",
                                                              "~/Music/iTunes Export/mix.mp3"}));
    // The linux layout has no library folder and no media library: only bundles are left out.
    std::set<std::string> linux = found(BVLayout::linux);
    EXPECT_TRUE(linux.count("~/Library/Caches/cache.zip") && linux.count("~/Library Backup/old.pdf") &&
                linux.count("~/Music/iTunes/Library.itl"));
    EXPECT_FALSE(linux.count("~/Downloads/exact.bin") || linux.count("~/Applications/Big.app/Contents/Resources/blob"));
}

TEST_F(LargeFilesScan, ModelsCarryTypeTreeSizeLastUseAndTheRemovalMethod) {
    std::string movie = sparse("Movies/film.MP4", kThreshold + 10);
    // Read long ago, changed recently: the later of the two is the last use.
    timespec times[2] = {{1000000000, 0}, {1700000000, 500000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, movie.c_str(), times, 0), 0);
    ASSERT_TRUE(defaults->setObject(BVLAOFRemoveMethodDefaultsKey, BVValue(uint64_t(1))));

    auto models = scan(BVLayout::macos);
    ASSERT_EQ(models.size(), 1u);
    const auto& m = *models[0];
    EXPECT_EQ(m.size(), kThreshold + 10);  // the file's size, though it occupies no blocks
    EXPECT_EQ(m.contentType(), "public.mpeg-4");
    ASSERT_TRUE(m.contentTypeTree());
    EXPECT_EQ(m.contentTypeTree()->front(), "public.mpeg-4");
    EXPECT_NE(std::find(m.contentTypeTree()->begin(), m.contentTypeTree()->end(), "public.movie"), m.contentTypeTree()->end());
    ASSERT_TRUE(m.lastUsedDate());
    EXPECT_DOUBLE_EQ(m.lastUsedDate()->secondsSince1970, 1700000000.5);
    EXPECT_EQ(m.removeMethod(), uint64_t(BVRemoveMethodSecurely));
    EXPECT_TRUE(m.autoselected());
    EXPECT_TRUE(m.isIgnorable());
}

TEST_F(LargeFilesScan, TheIgnoreListDropsAPathOrEveryFileOfAnExtension) {
    sparse("Downloads/a.zip", 2 * kThreshold);
    sparse("Documents/sub/b.ZIP", 2 * kThreshold);
    sparse("Documents/keep.iso", 2 * kThreshold);
    sparse("Documents/mine.iso", 2 * kThreshold);
    ASSERT_TRUE(wrapper->createIgnoreItemWithInfo(BVIgnoreItemInfo(".zip")));
    ASSERT_TRUE(wrapper->createIgnoreItemWithInfo(BVIgnoreItemInfo("~/Documents/mine.iso")));
    auto names = found(BVLayout::macos);
    EXPECT_EQ(names.count("~/Documents/keep.iso"), 1u);
    EXPECT_EQ(names.count("~/Downloads/a.zip"), 0u);
    EXPECT_EQ(names.count("~/Documents/mine.iso"), 0u);
    // Items compare ignoring case, so the upper-case extension is on the list as well.
    EXPECT_EQ(names.count("~/Documents/sub/b.ZIP"), 0u);

    // Putting a found file on the list through its entity hides it from the next scan.
    auto models = scan(BVLayout::macos);
    for (const auto& m : models)
        if (m->url()->path().ends_with("keep.iso")) m->ignore();
    EXPECT_EQ(found(BVLayout::macos).count("~/Documents/keep.iso"), 0u);
}

TEST_F(LargeFilesScan, QueryFailuresAndCancellation) {
    sparse("Downloads/a.bin", 2 * kThreshold);
    auto paths = std::make_shared<const BVPaths>(BVLayout::macos, f.home());
    // A query that cannot be created is an error of its own domain.
    BVLAOFScanTask noQuery(wrapper, paths, defaults,
                           [](const std::string&, const std::vector<std::string>&, const BVLAOFFilter&) { return nullptr; });
    auto r = noQuery.scan();
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->domain(), kBVLAOFScanTaskErrorDomain);
    EXPECT_EQ(r->error()->code(), 101);

    // An index being rebuilt that finds nothing says the index is not ready.
    struct Rebuilding : BVLAOFMetadataQuery {
        bool execute(const BVProgressPtr&) override { return true; }
        size_t resultCount() const override { return 0; }
        BVMetadataItemPtr resultAtIndex(size_t) const override { return nullptr; }
        void stop() override {}
        bool isReindexing() const override { return true; }
    };
    BVLAOFScanTask rebuilding(wrapper, paths, defaults, [](auto&&...) { return std::make_unique<Rebuilding>(); });
    r = rebuilding.scan();
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->domain(), kBVLAOFScanTaskDomain);

    // Cancelled while the results are read: the models made so far.
    struct Cancelling : BVLAOFMetadataQuery {
        std::string home;
        BVProgressPtr progress;
        bool execute(const BVProgressPtr& p) override {
            progress = p;
            return true;
        }
        size_t resultCount() const override { return 5; }
        BVMetadataItemPtr resultAtIndex(size_t i) const override {
            if (i == 2) progress->cancel();
            return std::make_shared<BVDictionaryMetadataItem>(BVDictionary{
                {kBVMDItemPath, BVValue(home + "/f" + std::to_string(i))}, {kBVMDItemFSSize, BVValue(uint64_t(60000000))}});
        }
        void stop() override {}
        bool isReindexing() const override { return false; }
    };
    BVLAOFScanTask cancelling(wrapper, paths, defaults, [&](auto&&...) {
        auto q = std::make_unique<Cancelling>();
        q->home = f.home();
        return q;
    });
    r = cancelling.scan();
    EXPECT_FALSE(r->error());
    EXPECT_EQ(r->items()->size(), 3u);
    EXPECT_EQ(r->size(), 180000000u);

    // Cancelled before it starts: no items and no error.
    BVLAOFScanTask cancelled(wrapper, paths, defaults);
    cancelled.progress()->cancel();
    r = cancelled.scan();
    EXPECT_FALSE(r->error());
    EXPECT_TRUE(r->items() && r->items()->empty());
}

TEST(LargeFilesQuery, ThePredicateStringCompilesOrTheQueryIsNotCreated) {
    std::string predicate = BVLAOFScanTask::buildFilterPredicateString();
    EXPECT_EQ(predicate.rfind("kMDItemFSSize > 52428800 && ", 0), 0u);
    auto compiled = BVLAOFCompileQueryPredicate(predicate);
    ASSERT_TRUE(compiled);
    EXPECT_EQ(compiled->sizeAbove, 52428800u);
    EXPECT_EQ(compiled->excludedTypes, BVLAOFFilter::ignoredFilesTypes());
    for (const char* bad : {"", "kMDItemFSSize > ", "kMDItemFSSize > 12x", "kMDItemFSSize < 5",
                            "kMDItemFSSize > 1 && kMDItemDisplayName == x", "kMDItemContentTypeTree != a"})
        EXPECT_FALSE(BVLAOFCompileQueryPredicate(bad)) << bad;
    EXPECT_EQ(BVLAOFHomeWalkQuery::create("kMDItemFSSize == 1", {"/"}), nullptr);
}

TEST(LargeFilesContentTypes, ExtensionsMapToTypesAndTheirConformance) {
    struct Case {
        const char* path;
        const char* type;
        const char* conformsTo;
    };
    const Case cases[] = {
        {"/a/photo.JPG", "public.jpeg", "public.image"},      {"/a/song.flac", "org.xiph.flac", "public.audio"},
        {"/a/b.tar.gz", "org.gnu.gnu-zip-archive", "public.archive"},
        {"/a/report.pages", "com.apple.iwork.pages.sffpages", "public.archive"},
        {"/a/.profile", "public.data", "public.item"},        {"/a/noextension", "public.data", "public.item"},
        {"/a/trailing.", "public.data", "public.item"},
    };
    for (const auto& c : cases) {
        std::string type = BVLAOFContentTypes::contentTypeForExtension(BVLAOFContentTypes::pathExtension(c.path));
        EXPECT_EQ(type, c.type) << c.path;
        auto tree = BVLAOFContentTypes::contentTypeTree(type);
        EXPECT_EQ(tree.front(), type);
        EXPECT_NE(std::find(tree.begin(), tree.end(), c.conformsTo), tree.end()) << c.path;
        EXPECT_EQ(std::set<std::string>(tree.begin(), tree.end()).size(), tree.size()) << "listed once: " << c.path;
    }
    EXPECT_EQ(BVLAOFContentTypes::contentTypeForExtension("app", true), "com.apple.application-bundle");
    auto app = BVLAOFContentTypes::contentTypeTree("com.apple.application-bundle");
    EXPECT_NE(std::find(app.begin(), app.end(), "com.apple.bundle"), app.end());
}

TEST(LargeFilesModel, TheCannedFormRemovesNothingAndFailsAsTold) {
    BVTemporaryFolder t;
    std::string file = t.file("keep.bin", 10);
    auto failing = BVLAOFFileModel::brk_fromJSONDictionary(BVValue(BVDictionary{
        {"url", BVValue(file)}, {"size", BVValue(uint64_t(99))}, {"autoselected", BVValue(true)},
        {"contentType", BVValue("public.zip-archive")}, {"contentTypeTree", BVValue(BVArray{BVValue("public.archive")})},
        {"lastUsedDate", BVValue(uint64_t(3600))}, {"removal_error", BVValue("disk says no")}}));
    ASSERT_TRUE(failing);
    EXPECT_EQ(failing->size(), 99u);
    EXPECT_NEAR(BVDate::now().secondsSince1970 - failing->lastUsedDate()->secondsSince1970, 3600, 5);
    auto r = failing->remove();
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->domain(), BVLAOFJSONRemovalErrorDomain);
    EXPECT_EQ(r->error()->localizedDescription(), "disk says no");
    auto fine = BVLAOFFileModel::brk_fromJSONDictionary(BVValue(BVDictionary{{"url", BVValue(file)}}));
    EXPECT_FALSE(fine->remove()->error());
    EXPECT_FALSE(fine->lastUsedDate());
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(file));
}
