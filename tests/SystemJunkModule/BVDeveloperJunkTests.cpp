// Developer junk on the linux layout: one group per toolchain cache that exists, nothing
// preselected, the ignore list by group and by path, the user caches task leaving these folders
// alone, and Go's read-only module cache removed without touching anything beside it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "KnowledgeBase/BVIgnoreItemInfo.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "SystemJunkModule/BVCachesCompoundTask.h"
#include "SystemJunkModule/BVXcodeJunkTask.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"
#include "tests/fixtures/BVUnprivileged.h"

namespace {

std::shared_ptr<BVXcodeJunkTask> developerTask(BVJunkFixture& f) { return BVXcodeJunkTask::task(f.environment()); }

std::vector<std::shared_ptr<BVXcodeJunkItemModel>> itemsOf(const BVScanResultPtr& result) {
    std::vector<std::shared_ptr<BVXcodeJunkItemModel>> items;
    for (const auto& group : result->items().value_or(std::vector<BVEntityPtr>{}))
        for (const auto& child : std::dynamic_pointer_cast<BVTreeEntity>(group)->children())
            items.push_back(std::dynamic_pointer_cast<BVXcodeJunkItemModel>(child));
    return items;
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

}  // namespace

TEST(BVDeveloperJunk, OneGroupPerToolCacheThatExistsNothingPreselected) {
    BVJunkFixture f;
    f.file(".cache/pip/http/a", 4000);
    f.file(".npm/_cacache/content-v2/b", 3000);
    f.file(".npm/_logs/debug.log", 100);                       // not a cache: never offered
    f.file(".cargo/registry/cache/index/serde.crate", 2000);
    f.file(".cargo/git/db/repo/pack", 2000);
    f.file(".cargo/registry/src/index/serde/lib.rs", 1000);     // unpacked sources in use: not offered
    f.file(".cache/go-build/00/x-d", 1000);
    f.file("go/pkg/mod/example.com/lib@v1.0.0/lib.go", 1000);
    f.file(".cache/JetBrains/IntelliJIdea2023.1/index/i", 5000);
    f.file(".cache/JetBrains/PyCharm2024.2/index/i", 5000);
    f.file(".cache/ms-playwright/chromium-1091/chrome", 8000);
    auto result = developerTask(f)->scan();

    EXPECT_EQ(BVGroupSummary(result, f.home()),
              (std::vector<std::string>{"pip: ~/.cache/pip", "npm: ~/.npm/_cacache",
                                        "Cargo: ~/.cargo/registry/cache ~/.cargo/git/db",
                                        "Go: ~/.cache/go-build ~/go/pkg/mod",
                                        "JetBrains IDEs: ~/.cache/JetBrains/IntelliJIdea2023.1 ~/.cache/JetBrains/PyCharm2024.2",
                                        "Playwright browsers: ~/.cache/ms-playwright/chromium-1091"}));
    EXPECT_EQ(result->selectedSize(), 0u);
    for (const auto& item : itemsOf(result)) {
        ASSERT_TRUE(item);
        EXPECT_FALSE(item->autoselected()) << item->junkItem()->url();
        EXPECT_GT(item->size(), 0u);
        bool readOnlyStore = item->junkItem()->url() == f.home() + "/go/pkg/mod";
        EXPECT_EQ(item->junkItem()->type(), readOnlyStore ? BVXcodeJunkItemTypeReadOnlyStore : BVXcodeJunkItemTypeOther);
    }
    EXPECT_EQ(itemsOf(result)[0]->junkItem()->name(), "~/.cache/pip");           // a whole folder by its place
    EXPECT_EQ(itemsOf(result)[6]->junkItem()->name(), "IntelliJIdea2023.1");     // an entry by its name
}

TEST(BVDeveloperJunk, TheIgnoreListHidesAGroupByItsNameOrAnItemByItsPath) {
    BVJunkFixture f;
    f.file(".cache/pip/http/a", 4000);
    f.file(".cache/go-build/00/x-d", 1000);
    f.file("go/pkg/mod/example.com/lib@v1.0.0/lib.go", 1000);
    f.file(".cache/ms-playwright/chromium-1091/chrome", 8000);
    f.file(".cache/ms-playwright/firefox-1422/firefox", 8000);
    auto kb = f.handle(BVScannerDeveloperToolJunk);
    ASSERT_TRUE(kb->createIgnoreItemWithInfo(BVIgnoreItemInfo("pip")));
    ASSERT_TRUE(kb->createIgnoreItemWithInfo(BVIgnoreItemInfo(f.home() + "/go/pkg/mod")));
    ASSERT_TRUE(kb->createIgnoreItemWithInfo(BVIgnoreItemInfo(f.home() + "/.cache/ms-playwright/firefox-1422")));
    EXPECT_EQ(BVGroupSummary(developerTask(f)->scan(), f.home()),
              (std::vector<std::string>{"Go: ~/.cache/go-build", "Playwright browsers: ~/.cache/ms-playwright/chromium-1091"}));
}

TEST(BVDeveloperJunk, TheUserCachesTaskLeavesTheToolCachesToIt) {
    BVJunkFixture f;
    f.file(".cache/app/data", 5000);
    f.file(".cache/pip/http/a", 4000);
    f.file(".cache/huggingface/hub/models--org--model/blobs/weights", 9000);
    f.file(".cache/JetBrains/IntelliJIdea2023.1/index/i", 5000);
    auto caches = BVUserCachesCompoundTask::task(f.environment())->scan();
    EXPECT_EQ(BVGroupSummary(caches, f.home()), (std::vector<std::string>{"app: ~/.cache/app"}));
    EXPECT_EQ(BVGroupSummary(developerTask(f)->scan(), f.home()),
              (std::vector<std::string>{"pip: ~/.cache/pip", "JetBrains IDEs: ~/.cache/JetBrains/IntelliJIdea2023.1",
                                        "Hugging Face: ~/.cache/huggingface/hub"}));
}

TEST(BVDeveloperJunk, GosReadOnlyModuleCacheGoesAndNothingBesideItIsMadeWritable) {
    BVJunkFixture f;
    std::string lib = f.file("go/pkg/mod/example.com/lib@v1.0.0/lib.go", 3000);
    f.file("go/pkg/mod/cache/download/example.com/lib/@v/v1.0.0.zip", 2000);
    std::string source = f.file("go/src/project/main.go", 100);  // the user's own code beside it
    for (const char* folder : {"go/pkg/mod/example.com/lib@v1.0.0", "go/pkg/mod/example.com"})
        ASSERT_EQ(::chmod((f.home() + "/" + folder).c_str(), 0555), 0);
    ASSERT_EQ(::chmod(lib.c_str(), 0444), 0);
    ASSERT_EQ(::chmod((f.home() + "/go/src/project").c_str(), 0555), 0);
    auto items = itemsOf(developerTask(f)->scan());
    ASSERT_EQ(items.size(), 1u);
    auto item = items[0];
    item->setRemover(std::make_shared<BVFileRemover>(nullptr, BVFileManager::defaultManager(), f.environment().paths));
    std::string home = f.home();
    BV_EXPECT_UNPRIVILEGED(std::string(f.kb.folder.path()), {
        auto result = item->remove();
        BV_CHILD_CHECK(!result->error());
        BV_CHILD_CHECK(result->size() > 0);
        BV_CHILD_CHECK(::access((home + "/go/pkg/mod").c_str(), F_OK) != 0);
        BV_CHILD_CHECK(modeOf(home + "/go/src/project") == 0555);
        BV_CHILD_CHECK(::access(source.c_str(), F_OK) == 0);
    });
}
