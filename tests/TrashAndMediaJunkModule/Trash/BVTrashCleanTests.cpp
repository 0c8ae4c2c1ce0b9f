// Emptying a freedesktop trash through the clean queue: scanned items and their .trashinfo
// records are gone, an item that vanished since the scan fails without stopping the others and
// an item that could not be removed keeps its record.
#include <gtest/gtest.h>

#include "tests/fixtures/BVFaultInjectingFileManager.h"
#include <sys/stat.h>

#include <filesystem>

#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/BVCleanQueue.h"
#include "ScanningService/CoreScanning/BVCleanTaskResult.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashModule.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashedFileModel.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashesScanTask.h"
#include "tests/PrivilegedOperationsPerformer/BVAgentTestSupport.h"
#include "tests/fixtures/BVMainQueueWaiter.h"

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void setRemover(const BVEntityPtr& e, const BVFileRemoverPtr& remover) {
    e->setRemover(remover);
    if (auto tree = std::dynamic_pointer_cast<BVTreeEntity>(e))
        for (const auto& c : tree->children()) setRemover(c, remover);
}

}  // namespace

TEST(BVTrashClean, EmptyingTheTrashRemovesItemsAndTheirRecords) {
    BVTemporaryFolder t;
    std::string home = t.folder("home");
    auto paths = std::make_shared<BVPaths>(BVLayout::linux, home);
    BVPaths::setSharedInstance(paths);
    BVAgentEnvironment env;
    auto script = std::make_shared<BVScriptedAuthorization::Script>();
    auto performer = BVPrivilegedOperationsPerformer::create(BVScriptedAuthorization::factory(script), env.configuration());
    ASSERT_TRUE(performer);
    performer->setShouldAskForAuthorization(false);
    auto faulty = std::make_shared<BVFaultInjectingFileManager>();
    auto remover = std::make_shared<BVFileRemover>(performer, faulty, paths);

    const std::string trash = home + "/.local/share/Trash";
    faulty->fail(BVFaultInjectingFileManager::Operation::Remove, trash + "/files/stuck.txt", EBUSY);
    for (const char* name : {"a.txt", "gone.txt", "stuck.txt", "Folder"}) {
        std::string item = name == std::string("Folder") ? t.file("home/.local/share/Trash/files/Folder/in.txt", 100)
                                                         : t.file(std::string("home/.local/share/Trash/files/") + name, 5000);
        t.fileWithText(std::string("home/.local/share/Trash/info/") + name + ".trashinfo", "[Trash Info]\nPath=/x\n");
    }
    // An item without a record is removed all the same.
    t.file("home/.local/share/Trash/files/orphan.bin", 10);

    BVTrashesScanTask scan(BVFileManager::defaultManager(), paths);
    auto result = scan.scan();
    auto items = result->items().value();
    ASSERT_EQ(items.size(), 1u);
    setRemover(items[0], remover);
    std::filesystem::remove(trash + "/files/gone.txt");  // vanished between scan and clean

    auto queue = BVCleanQueue::create(performer);
    BVCleanTaskResultPtr cleaned;
    bool finished = false;
    queue->onTaskFinish([&](const BVCleanTaskPtr&, const BVCleanTaskResultPtr& r) { cleaned = r; });
    queue->onQueueFinish([&](BVCleanQueue&) { finished = true; });
    queue->addTasks(BVTrashCleanTasks(items));
    BVRunMainQueueUntil([&] { return finished; });
    BVPaths::setSharedInstance(nullptr);

    ASSERT_TRUE(cleaned);
    EXPECT_EQ(cleaned->state(), uint64_t(BVRemovalStatePartlySucceeded));
    // An item that vanished since the scan is gone all the same: its record goes with it.
    for (const char* name : {"a.txt", "gone.txt", "Folder", "orphan.bin"}) {
        EXPECT_FALSE(exists(trash + "/files/" + name)) << name;
        EXPECT_FALSE(exists(trash + "/info/" + std::string(name) + ".trashinfo")) << name;
    }
    // The failed item's record stays: the trash still lists what it could not give back.
    EXPECT_TRUE(exists(trash + "/files/stuck.txt"));
    EXPECT_TRUE(exists(trash + "/info/stuck.txt.trashinfo"));
    EXPECT_TRUE(exists(trash + "/files") && exists(trash + "/info"));
    uint64_t failed = 0;
    std::function<void(const BVRemovalResultPtr&)> count = [&](const BVRemovalResultPtr& r) {
        if (r->error()) ++failed;
        for (const auto& c : r->children()) count(c);
    };
    for (const auto& r : cleaned->results()) count(r);
    EXPECT_EQ(failed, 1u);
}
