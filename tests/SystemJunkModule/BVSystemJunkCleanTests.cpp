// The module's own tasks on a fixture home and root, cleaned through the clean queue: what was
// offered is gone (logs emptied in place), what was not offered stays, and the report adds up.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "KnowledgeBase/BVKnowledgeBaseTypes.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/BVCleanQueue.h"
#include "ScanningService/CoreScanning/BVCleanTaskResult.h"
#include "ScanningService/CoreScanning/BVModelCleanTask.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "SystemJunkModule/BVSystemJunkModule.h"
#include "tests/PrivilegedOperationsPerformer/BVAgentTestSupport.h"
#include "tests/fixtures/BVMainQueueWaiter.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"

TEST(BVSystemJunkClean, CleansWhatTheScanOfferedThroughTheCleanQueue) {
    BVJunkFixture f({BVRule(BVItemTypeBlack, "com.apple.FontRegistry", 10)}, BVLayout::macos);
    std::string home = f.home(), root = f.root();
    f.file("Library/Caches/com.example.app/blobs/1", 40000);
    f.file("Library/Caches/com.apple.FontRegistry/db", 40000);  // never offered
    f.file("Library/Containers/com.example.box/Data/Library/Caches/img/p", 30000);
    f.file("Library/Logs/App/today.log", 20000);
    f.file("Library/Logs/App/old.gz", 20000);
    f.file("Library/Logs/small.log", 100);  // under the threshold
    f.kb.folder.file("root/Library/Caches/com.example.daemon/c", 30000);
    f.kb.folder.file("root/Library/Logs/install.log", 30000);

    std::vector<BVEntityPtr> offered;
    std::vector<std::string> identifiers;
    for (const auto& task : BVSystemJunkModule::scanTasks(f.environment())) {
        identifiers.push_back(task->identifier());
        for (const auto& item : task->scan()->items().value_or(std::vector<BVEntityPtr>{})) offered.push_back(item);
    }
    EXPECT_EQ(identifiers, (std::vector<std::string>{"BVSystemJunkScanIdentifierDocumentVersions",
                                                     "BVSystemJunkScanIdentifierSystemLanguages", "BVSystemJunkScanIdentifierXcodeJunk", "BVSystemJunkScanIdentifierBrokenStartupItems",
                                                     "BVSystemJunkScanIdentifierUnusedDiskImages", "BVSystemJunkScanIdentifierPhotoSyncCaches",
                                                     "BVSystemJunkScanIdentifierUserLogsCompound", "BVSystemJunkScanIdentifierSystemLogsCompound",
                                                     "BVSystemJunkScanIdentifierBrokenPreferences",
                                                     "BVSystemJunkScanIdentifierBrokenApplicationsUpdates",
                                                     "BVSystemJunkScanIdentifierApplicationLanguages",
                                                     "BVSystemJunkScanIdentifierSystemCachesCompound",
                                                     "BVSystemJunkScanIdentifierUserCachesCompound"}));
    ASSERT_EQ(offered.size(), 5u);  // two logs, three cache groups
    uint64_t offeredSize = 0;
    for (const auto& e : offered) offeredSize += e->size();

    BVAgentEnvironment env;
    auto script = std::make_shared<BVScriptedAuthorization::Script>();
    auto performer = BVPrivilegedOperationsPerformer::create(BVScriptedAuthorization::factory(script), env.configuration());
    ASSERT_TRUE(performer);
    auto queue = BVCleanQueue::create(performer);
    BVCleanTaskResultPtr result;
    bool finished = false;
    queue->onTaskFinish([&](const BVCleanTaskPtr&, const BVCleanTaskResultPtr& r) { result = r; });
    queue->onQueueFinish([&](BVCleanQueue&) { finished = true; });
    queue->addTasks({std::make_shared<BVModelCleanTask>(offered)});
    ASSERT_TRUE(BVRunMainQueueUntil([&] { return finished; }));

    ASSERT_TRUE(result);
    EXPECT_EQ(result->state(), uint64_t(BVRemovalStateSucceeded));
    // Everything offered went, but the log folder itself, which stays emptied.
    EXPECT_EQ(result->cleanedSize(), offeredSize - BVAllocatedBytes(home + "/Library/Logs/App"));
    struct stat st {};
    for (const std::string& gone : {home + "/Library/Caches/com.example.app", home + "/Library/Logs/App/old.gz",
                                   home + "/Library/Containers/com.example.box/Data/Library/Caches/img",
                                   root + "/Library/Caches/com.example.daemon"})
        EXPECT_NE(lstat(gone.c_str(), &st), 0) << gone;
    for (const std::string& emptied : {home + "/Library/Logs/App/today.log", root + "/Library/Logs/install.log"}) {
        ASSERT_EQ(stat(emptied.c_str(), &st), 0) << emptied;
        EXPECT_EQ(st.st_size, 0) << emptied;
    }
    for (const std::string& kept : {home + "/Library/Caches/com.apple.FontRegistry/db", home + "/Library/Logs/small.log",
                                   home + "/Library/Containers/com.example.box/Data/Library/Caches"})
        EXPECT_EQ(stat(kept.c_str(), &st), 0) << kept;
}
