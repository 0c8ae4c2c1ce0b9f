// Cache scanning on fixture trees: what a plain cache task offers and preselects, deep search,
// sandbox containers, and how the compound groups items across roots.
#include <gtest/gtest.h>

#include "KnowledgeBase/BVKnowledgeBaseTypes.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "SystemJunkModule/BVCacheScanTask.h"
#include "SystemJunkModule/BVCachesCompoundTask.h"
#include "SystemJunkModule/BVCachesContext.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"

namespace {

constexpr BVScannerIdentifier kUserCaches = 10;

std::shared_ptr<BVCacheScanTask> userCachesTask(BVJunkFixture& f, const std::string& folder) {
    return std::make_shared<BVUserCachesScanTask>(folder, BVFileManager::defaultManager(), f.handle(kUserCaches), nullptr);
}

}  // namespace

TEST(BVCacheScanTask, OffersChildrenWithTheKnowledgeBasesVerdicts) {
    BVJunkFixture f({BVRule(BVItemTypeBlack, "~/.cache/fontconfig", kUserCaches),
                     BVRule(BVItemTypeBlack, "com.apple.FontRegistry", kUserCaches),
                     BVRule(BVItemTypeSelectionMemory, "~/.cache/pip", kUserCaches),
                     BVRule(BVItemTypeDeepSearch, "Google", kUserCaches),
                     BVRule(BVItemTypeDeepSearch, "empty-vendor", kUserCaches)});
    std::string caches = f.home() + "/.cache";
    f.file(".cache/app/data", 5000);
    f.file(".cache/pip/wheel", 3000);
    f.file(".cache/fontconfig/cache-7", 100);          // black by path
    f.file(".cache/com.apple.FontRegistry/x", 100);    // black by name
    f.file(".cache/.DS_Store", 10);
    f.file(".cache/Google/Chrome/Default/Cache/a", 4000);
    f.file(".cache/Google/Earth/b", 2000);
    f.file(".cache/Google/.DS_Store", 10);
    f.file(".cache/empty-vendor/.DS_Store", 10);       // deep-searched, nothing left in it
    auto result = userCachesTask(f, caches)->scan();

    EXPECT_EQ(BVItemTexts(result),
              (std::vector<std::string>{caches + "/Google", caches + "/app", caches + "/pip"}));
    auto items = *result->items();
    auto google = std::dynamic_pointer_cast<BVFileURLSequenceModel>(items[0]);
    ASSERT_TRUE(google);
    ASSERT_EQ(google->files().size(), 2u);
    EXPECT_EQ(BVEntityPath(google->files()[0]), caches + "/Google/Chrome");
    EXPECT_GT(google->files()[0]->size(), 4000u);
    EXPECT_TRUE(items[1]->autoselected());
    EXPECT_FALSE(items[2]->autoselected());  // selection memory: offered, not preselected
    EXPECT_TRUE(items[2]->isIgnorable());
    EXPECT_EQ(result->selectedSize(), google->autoselectedSize() + items[1]->size());
}

TEST(BVCacheScanTask, AbsentFolderAndCancellation) {
    BVJunkFixture f;
    f.file(".cache/app/data", 5000);
    auto cancelled = userCachesTask(f, f.home() + "/.cache");
    cancelled->progress()->cancel();
    EXPECT_TRUE(cancelled->scan()->items()->empty());
    // A compound cancelled before it starts runs none of its tasks.
    BVCachesCompoundTask compound("C", f.handle(kUserCaches), {userCachesTask(f, f.home() + "/.cache")}, {}, std::nullopt);
    compound.progress()->cancel();
    EXPECT_TRUE(compound.scan()->items()->empty());
    EXPECT_TRUE(userCachesTask(f, f.home() + "/missing")->scan()->items()->empty());
    BVUserCachesScanTask noFolder(std::nullopt, BVFileManager::defaultManager(), f.handle(kUserCaches), nullptr);
    EXPECT_TRUE(noFolder.scan()->items()->empty());
}

TEST(BVCachesCompoundTask, GroupsByFolderNameAndContainerAcrossRoots) {
    for (BVLayout layout : {BVLayout::macos, BVLayout::linux}) {
        BVJunkFixture f({BVRule(BVItemTypeBlack, "com.ignored.app", kUserCaches)});
        std::string home = f.home();
        std::string containerCaches = layout == BVLayout::macos ? "/Data/Library/Caches" : "/cache";
        f.file("user/com.shared.app/one", 3000);
        f.file("user/com.ignored.app/x", 3000);             // the whole group is on the ignore list
        f.file("darwin/com.shared.app/two", 3000);          // same name, other root: same group
        f.file("containers/org.box.App" + containerCaches + "/img/p", 3000);
        f.kb.folder.folder("home/containers/org.nocache.App/Data");  // no caches folder: no group
        f.file("dropbox/zero", 0);                          // a grouped item of size 0

        auto kb = f.handle(kUserCaches);
        auto fm = BVFileManager::defaultManager();
        std::vector<BVScanTaskPtr> tasks{
            std::make_shared<BVUserCachesScanTask>(home + "/user", fm, kb, nullptr),
            std::make_shared<BVDarwinUserCachesScanTask>(home + "/darwin", fm, kb, nullptr),
            std::make_shared<BVSandboxContainersCachesScanTask>(home + "/containers", fm, kb, nullptr, layout)};
        // A grouped task that reports a folder already offered, and an empty one.
        auto again = std::make_shared<BVUserCachesScanTask>(home + "/user/com.shared.app", fm, kb, nullptr);
        auto empty = std::make_shared<BVUserCachesScanTask>(home + "/dropbox", fm, kb, nullptr);
        BVCachesCompoundTask compound("C", kb, tasks, {{"again", again}, {"empty", empty}}, home + "/containers");
        auto result = compound.scan();

        EXPECT_EQ(BVGroupSummary(result, home),
                  (std::vector<std::string>{"com.shared.app: ~/user/com.shared.app ~/darwin/com.shared.app",
                                            "org.box.App: ~/containers/org.box.App" + containerCaches + "/img"}))
            << int(layout);
        EXPECT_FALSE(result->items()->at(0)->autoselected());
        EXPECT_GT(result->items()->at(0)->autoselectedSize(), 0u);
        EXPECT_TRUE(result->items()->at(0)->isIgnorable());
    }
}

TEST(BVCachesContext, GroupIdentifiers) {
    BVJunkFixture f;
    BVCachesContext context(f.handle(kUserCaches), std::string("/h/.var/app"));
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"/h/.var/app/org.x.App/cache/a", "org.x.App"},
        {"/h/.var/app/org.x.App", "org.x.App"},
        {"/h/.var/app", std::nullopt},
        {"/h/.var/apps/thing", "thing"},
        {"/h/.cache/com.y", "com.y"},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(context.groupIdentifier(path), expected) << path;
}

TEST(BVCacheScanTask, FoldersOfferedByAnotherTaskAreNotOfferedAgain) {
    BVJunkFixture f;
    std::string caches = f.home() + "/.cache";
    f.file(".cache/pip/http/a", 3000);                           // another task offers the folder
    f.file(".cache/com.example.ide/Downloads/tool.xip", 3000);   // ... or a folder inside this one
    f.file(".cache/com.example.ide/index/db", 2000);
    f.file(".cache/com.example.ide/Downloads2/x", 2000);
    auto task = userCachesTask(f, caches);
    task->setFoldersOfferedElsewhere({caches + "/pip", caches + "/com.example.ide/Downloads"});
    auto result = task->scan();
    EXPECT_EQ(BVItemTexts(result), (std::vector<std::string>{caches + "/com.example.ide"}));
    auto ide = std::dynamic_pointer_cast<BVFileURLSequenceModel>(result->items()->at(0));
    ASSERT_TRUE(ide);
    std::vector<std::string> inside;
    for (const auto& file : ide->files()) inside.push_back(BVEntityPath(file));
    EXPECT_EQ(inside, (std::vector<std::string>{caches + "/com.example.ide/Downloads2", caches + "/com.example.ide/index"}));
}
