// Document versions: the selection rule, the scan over a scripted metadata search and a
// version store whose versions are real files (grouping by application, what the search or the
// store answers that is left out), removal of a version through the store, and the module
// listing the task on the macos layout only.
#include <gtest/gtest.h>

#include "Foundation/BVFileIO.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "ScanningService/CoreScanning/BVStoreItemModels.h"
#include "SystemJunkModule/BVDocumentVersionsEntities.h"
#include "SystemJunkModule/BVDocumentVersionsScanTask.h"
#include "SystemJunkModule/BVDocumentVersionsSelectionRule.h"
#include "SystemJunkModule/BVSystemJunkModule.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"
#include "tests/fixtures/BVPlatformStoreFakes.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

constexpr double kHour = 3600;
const double kNow = 1.7e9;

std::vector<BVFileVersionPtr> versionsAt(const std::vector<double>& hoursAgo) {
    std::vector<BVFileVersionPtr> versions;
    for (double h : hoursAgo)
        versions.push_back(std::make_shared<BVStoredFileVersion>(nullptr, "/v/" + std::to_string(h), BVDate{kNow - h * kHour}, 1));
    return versions;
}

// "name: document [x] version, ..." per application, versions by file name.
std::vector<std::string> summary(const BVScanResultPtr& result) {
    std::vector<std::string> lines;
    for (const auto& entity : result->items().value_or(std::vector<BVEntityPtr>{})) {
        auto application = std::dynamic_pointer_cast<BVDocumentApplication>(entity);
        if (!application) {
            lines.push_back("not an application: " + entity->description());
            continue;
        }
        std::string line = application->applicationName() + " (" + application->bundleIdentifier() + "):";
        for (const auto& child : application->children()) {
            auto document = std::dynamic_pointer_cast<BVDocumentVersionFile>(child);
            line += " " + BVFileIO::lastPathComponent(document->fileURL()->path()) + " [";
            for (const auto& v : document->children()) {
                auto version = std::dynamic_pointer_cast<BVFileVersionModel>(v);
                line += std::string(version->autoselected() ? "x" : "-") + BVFileIO::lastPathComponent(version->fileVersion()->URL()) + " ";
            }
            line.back() = ']';
        }
        lines.push_back(line);
    }
    return lines;
}

struct VersionsFixture {
    BVJunkFixture junk;
    BVTemporaryFolder store;
    std::shared_ptr<BVFolderFileVersionStore> versions = std::make_shared<BVFolderFileVersionStore>();
    std::shared_ptr<BVMemoryMetadataSearch> search;

    // A document with versions saved the given hours ago, each a real file of `bytes` bytes.
    BVMetadataItemPtr document(const std::string& name, const std::vector<double>& hoursAgo, uint64_t bytes = 5000) {
        std::string path = junk.file("Documents/" + name, 100);
        for (double h : hoursAgo)
            versions->addVersion(path, store.file(name + "/" + std::to_string(int(h)) + "h", bytes), BVDate{kNow - h * kHour});
        return BVMetadataItemAtPath(path);
    }
    std::shared_ptr<BVDocumentVersionsScanTask> task() {
        return std::make_shared<BVDocumentVersionsScanTask>(BVDocumentVersionsScanTaskSpecification::builtIn(), search, versions,
                                                            junk.handle(BVScannerDocumentVersions));
    }
};

}  // namespace

TEST(BVDocumentVersionsSelectionRule, PreselectsTheMiddleOfABurstOfSaves) {
    struct Case {
        std::vector<double> hoursAgo;  // newest first
        std::set<size_t> preselected;
    } cases[] = {
        {{}, {}},
        {{0}, {}},
        {{0, 1}, {}},                       // one or two versions: both ends, nothing chosen
        {{0, 1, 2}, {1}},                   // an hour after its newer neighbour: chosen
        {{0, 5, 6}, {}},                    // five hours older than its newer neighbour: kept
        {{0, 4, 5}, {}},                    // exactly four hours: kept
        {{0, 1, 6, 7, 20}, {1, 3}},
        {{0, 0.5, 1, 1.5}, {1, 2}},         // the oldest stays whatever its distance
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.hoursAgo));
        EXPECT_EQ(BVDocumentVersionsSelectionRule::selectionIndexesForObjects(versionsAt(c.hoursAgo)), c.preselected);
    }
    EXPECT_EQ(BVDocumentVersionsSelectionRule::supportedClasses(), std::set<std::string>{"BVFileVersion"});
}

TEST(BVDocumentVersionsScanTaskSpecification, LooksUpTheFirstEntryNamingATypeOrAnIdentifier) {
    auto spec = BVDocumentVersionsScanTaskSpecificationBuilder()
                    .addApplicationName("Writer", "org.example.writer", {"org.example.doc", "org.example.shared"})
                    .addApplicationName("Other", "org.example.other", {"org.example.shared", "org.example.sheet"})
                    .build();
    EXPECT_EQ(spec->fileTypes(), (std::set<std::string>{"org.example.doc", "org.example.shared", "org.example.sheet"}));
    EXPECT_EQ(spec->applicationBundleIdentifierForFileType("org.example.shared"), "org.example.writer");
    EXPECT_EQ(spec->applicationNameForFileType("org.example.sheet"), "Other");
    EXPECT_EQ(spec->applicationNameForBundleIdentifier("org.example.other"), "Other");
    EXPECT_EQ(spec->applicationNameForFileType("org.example.unknown"), std::nullopt);
    EXPECT_EQ(spec->applicationNameForBundleIdentifier("org.example.unknown"), std::nullopt);
    auto builtIn = BVDocumentVersionsScanTaskSpecification::builtIn();
    EXPECT_EQ(builtIn->fileTypesInfo().size(), 4u);
    EXPECT_EQ(builtIn->fileTypes().size(), 11u);
    EXPECT_EQ(builtIn->applicationBundleIdentifierForFileType("com.apple.iwork.keynote.key"), "com.apple.iwork.keynote");
}

TEST(BVDocumentVersionsScanTask, GroupsVersionsByApplicationAndDocument) {
    VersionsFixture f;
    auto report = f.document("report.pages", {0, 1, 2, 8});
    auto unlisted = f.document("unlisted.pages", {0, 1, 2});
    f.versions->failListing(BVMetadataItemPath(*unlisted).value());  // contributes nothing
    auto single = f.document("single.pages", {3});
    auto talk = f.document("talk.key", {0, 2});
    auto afterGap = f.document("after-gap.key", {0, 1, 2});
    auto stranger = f.document("stranger.doc", {0, 1, 2});
    // A version the store reports as empty is not offered; one without a date neither.
    std::string slides = BVMetadataItemPath(*talk).value();
    f.versions->addVersion(slides, f.store.file("talk.key/empty", 4000), BVDate{kNow - 0.5 * kHour}, 0);
    f.versions->addVersion(slides, f.store.file("talk.key/undated", 4000), std::nullopt);
    f.search = std::make_shared<BVMemoryMetadataSearch>(std::map<std::string, std::vector<BVMetadataItemPtr>>{
        {"com.apple.iwork.pages.pages", {report, unlisted}},
        {"com.apple.iwork.pages.sffpages", {single}},
        // An item without a path ends the application's list: what follows it is not looked at.
        {"com.apple.iwork.keynote.key",
         {talk, std::make_shared<BVDictionaryMetadataItem>(BVDictionary{{kBVMDItemFSSize, BVValue(uint64_t(1))}}), afterGap}},
        // No entry names this type: ignored.
        {"org.example.unknown", {stranger}},
    });

    auto result = f.task()->scan();
    EXPECT_EQ(result->identifier(), "BVSystemJunkScanIdentifierDocumentVersions");
    EXPECT_EQ(summary(result), (std::vector<std::string>{"Pages (com.apple.iwork.pages): report.pages [-0h x1h x2h -8h] single.pages [-3h]",
                                                         "Keynote (com.apple.iwork.keynote): talk.key [-0h -2h]"}));
    ASSERT_EQ(f.search->askedTypes().size(), 1u);
    EXPECT_EQ(f.search->askedTypes()[0], BVDocumentVersionsScanTaskSpecification::builtIn()->fileTypes());
    // Sizes are the versions' files' allocated bytes; the application adds up its documents.
    auto pages = std::dynamic_pointer_cast<BVDocumentApplication>(result->items()->at(0));
    EXPECT_EQ(pages->size(), 5 * BVAllocatedBytes(f.store / "report.pages/1h"));
    EXPECT_EQ(result->selectedSize(), 2 * BVAllocatedBytes(f.store / "report.pages/1h"));
}

TEST(BVDocumentVersionsScanTask, IgnoredApplicationsAndDocumentsAndAFailedSearchOfferNothing) {
    VersionsFixture f;
    auto report = f.document("report.pages", {0, 1, 2});
    auto talk = f.document("talk.key", {0, 1, 2});
    auto sheet = f.document("budget.numbers", {0, 1, 2});
    f.search = std::make_shared<BVMemoryMetadataSearch>(std::map<std::string, std::vector<BVMetadataItemPtr>>{
        {"com.apple.iwork.pages.pages", {report}}, {"com.apple.iwork.keynote.key", {talk}}, {"com.apple.iwork.numbers.numbers", {sheet}}});
    auto kb = f.junk.handle(BVScannerDocumentVersions);
    ASSERT_TRUE(kb->createIgnoreItemWithInfo(BVIgnoreItemInfo("com.apple.iwork.pages")));
    ASSERT_TRUE(kb->createIgnoreItemWithInfo(BVIgnoreItemInfo(BVMetadataItemPath(*talk).value())));
    EXPECT_EQ(summary(f.task()->scan()), (std::vector<std::string>{"Numbers (com.apple.iwork.numbers): budget.numbers [-0h x1h -2h]"}));

    f.search->failWith(BVError("Search", 7));
    auto failed = f.task()->scan();
    EXPECT_EQ(failed->error(), std::nullopt);
    EXPECT_TRUE(failed->items().value_or(std::vector<BVEntityPtr>{}).empty());
}

TEST(BVDocumentVersionsScanTask, RemovingAVersionDeletesItFromTheStoreAndFreesItsBytes) {
    VersionsFixture f;
    auto report = f.document("report.pages", {0, 1, 2}, 20000);
    f.search = std::make_shared<BVMemoryMetadataSearch>(
        std::map<std::string, std::vector<BVMetadataItemPtr>>{{"com.apple.iwork.pages.pages", {report}}});
    auto result = f.task()->scan();
    auto document = std::dynamic_pointer_cast<BVTreeEntity>(std::dynamic_pointer_cast<BVTreeEntity>(result->items()->at(0))->children().at(0));
    auto chosen = std::dynamic_pointer_cast<BVFileVersionModel>(document->children().at(1));
    ASSERT_TRUE(chosen && chosen->autoselected());
    std::string file = chosen->fileVersion()->URL();
    uint64_t bytes = BVAllocatedBytes(file);
    ASSERT_GT(bytes, 0u);

    auto removed = chosen->remove();
    EXPECT_EQ(removed->state(), BVRemovalStateSucceeded);
    EXPECT_EQ(removed->size(), bytes);
    EXPECT_FALSE(BVFileManager::defaultManager()->fileExistsAtPath(file));
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(f.store / "report.pages/0h"));
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(f.store / "report.pages/2h"));
    // The store no longer holds it: a second removal fails and frees nothing.
    auto again = chosen->remove();
    EXPECT_EQ(again->size(), 0u);
    EXPECT_TRUE(again->error().has_value());
    auto left = f.versions->otherVersionsOfItemAtURL(BVMetadataItemPath(*report).value(), nullptr);
    EXPECT_EQ(left->size(), 2u);
}

TEST(BVDocumentVersionsScanTask, ListedOnTheMacosLayoutOnlyWhereThisHostFindsNothing) {
    auto identifiers = [](const std::vector<BVScanTaskPtr>& tasks) {
        std::vector<std::string> ids;
        for (const auto& t : tasks) ids.push_back(t->identifier());
        return ids;
    };
    BVJunkFixture mac({}, BVLayout::macos);
    auto macTasks = BVSystemJunkModule::scanTasks(mac.environment());
    auto ids = identifiers(macTasks);
    ASSERT_GE(ids.size(), 5u);
    EXPECT_EQ(ids[0], "BVSystemJunkScanIdentifierDocumentVersions");
    EXPECT_EQ(ids[1], "BVSystemJunkScanIdentifierSystemLanguages");
    auto result = macTasks[0]->scan();
    EXPECT_EQ(result->error(), std::nullopt);
    EXPECT_TRUE(result->items().value_or(std::vector<BVEntityPtr>{}).empty());

    BVJunkFixture other;
    auto linuxIds = identifiers(BVSystemJunkModule::scanTasks(other.environment()));
    EXPECT_EQ(std::count(linuxIds.begin(), linuxIds.end(), "BVSystemJunkScanIdentifierDocumentVersions"), 0);
    EXPECT_EQ(linuxIds[0], "BVSystemJunkScanIdentifierSystemLanguages");
}
