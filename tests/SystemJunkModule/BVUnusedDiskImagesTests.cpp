// Unused disk images: on the linux layout, the walk of a fixture home with the real sources of
// what is in use (loop devices under the fixture's root, descriptors of this process in /proc);
// the task over a scripted search (the macos layout's shape); and a clean of one image that
// changes nothing else on disk.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Foundation/BVFileIO.h"
#include "KnowledgeBase/BVIgnoreItemInfo.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "ScanningService/CoreScanning/BVStoreItemModels.h"
#include "SystemJunkModule/BVSystemJunkModule.h"
#include "SystemJunkModule/BVUnusedDiskImagesScanTask.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"
#include "tests/fixtures/BVDiskSnapshot.h"
#include "tests/fixtures/BVMountNamespace.h"
#include "tests/fixtures/BVPlatformStoreFakes.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

// The offered paths relative to the home, and whether any is preselected.
std::vector<std::string> offered(const BVScanResultPtr& result, const std::string& home, bool* anySelected = nullptr) {
    std::vector<std::string> paths;
    for (const auto& entity : result->items().value_or(std::vector<BVEntityPtr>{})) {
        auto model = std::dynamic_pointer_cast<BVMetadataItemModel>(entity);
        if (!model || !model->url()) {
            paths.push_back("? " + entity->description());
            continue;
        }
        if (anySelected && model->autoselected()) *anySelected = true;
        paths.push_back(model->url()->path().substr(home.size() + 1));
    }
    return paths;
}

struct ImagesHome {
    BVJunkFixture f;
    BVTemporaryFolder outside;
    ImagesHome() {
        f.file("Downloads/debian.iso", 30000);
        f.file("vm/disk.qcow2", 20000);
        f.file("Pictures/RAW.IMG", 10000);
        f.file("Downloads/notes.txt", 10000);                         // no disk image
        f.file("Downloads/iso", 10000);                               // a name without extension
        f.file(".local/share/Trash/files/old.iso", 10000);            // the trash module's
        f.file("vm/attached.img", 10000);                             // attached to a loop device
        f.file("vm/open.vmdk", 10000);                                // held open by a process
        std::string hidden = outside.file("images/hidden.iso", 10000);
        f.kb.folder.symlink("home/linked", outside / "images");             // a folder reached through a link
        f.kb.folder.symlink("home/Downloads/shortcut.iso", hidden);        // a link named like an image
        f.kb.folder.fileWithText("root/sys/block/loop0/loop/backing_file", f.home() + "/vm/attached.img\n");
        f.kb.folder.folder("root/sys/block/loop1");                       // a detached device has no backing file
    }
};

}  // namespace

TEST(BVUnusedDiskImagesScanTask, OnLinuxOffersTheImagesOfTheHomeThatNothingUses) {
    ImagesHome h;
    int fd = ::open((h.f.home() + "/vm/open.vmdk").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    auto task = BVUnusedDiskImagesScanTask::task(h.f.environment());
    EXPECT_EQ(task->identifier(), "BVSystemJunkScanIdentifierUnusedDiskImages");
    bool anySelected = false;
    auto result = task->scan();
    EXPECT_EQ(offered(result, h.f.home(), &anySelected),
              (std::vector<std::string>{"Downloads/debian.iso", "Pictures/RAW.IMG", "vm/disk.qcow2"}));
    EXPECT_FALSE(anySelected);
    EXPECT_EQ(result->selectedSize(), 0u);
    EXPECT_EQ(result->items()->at(0)->size(), BVAllocatedBytes(h.f.home() + "/Downloads/debian.iso"));

    // Closed, the image is unused again; an ignored one stays out.
    ::close(fd);
    ASSERT_TRUE(h.f.handle(BVScannerUnusedDiskImages)->createIgnoreItemWithInfo(BVIgnoreItemInfo(h.f.home() + "/vm/disk.qcow2")));
    EXPECT_EQ(offered(BVUnusedDiskImagesScanTask::task(h.f.environment())->scan(), h.f.home()),
              (std::vector<std::string>{"Downloads/debian.iso", "Pictures/RAW.IMG", "vm/open.vmdk"}));
}

TEST(BVUnusedDiskImagesScanTask, CleaningOneImageRemovesThatFileAlone) {
    ImagesHome h;
    auto result = BVUnusedDiskImagesScanTask::task(h.f.environment())->scan();
    auto items = result->items().value_or(std::vector<BVEntityPtr>{});
    ASSERT_FALSE(items.empty());
    auto image = std::dynamic_pointer_cast<BVMetadataItemModel>(items[0]);
    ASSERT_EQ(image->url()->path(), h.f.home() + "/Downloads/debian.iso");
    image->setRemover(std::make_shared<BVFileRemover>(nullptr, BVFileManager::defaultManager(), h.f.environment().paths));
    uint64_t bytes = BVAllocatedBytes(image->url()->path());

    auto before = BVSnapshot(h.f.home());
    auto outsideBefore = BVSnapshot(h.outside.path());
    auto removed = image->remove();
    EXPECT_EQ(removed->state(), BVRemovalStateSucceeded);
    EXPECT_EQ(removed->size(), bytes);
    EXPECT_EQ(BVChangedPaths(before, BVSnapshot(h.f.home())), (std::vector<std::string>{image->url()->path()}));
    EXPECT_EQ(BVSnapshot(h.outside.path()), outsideBefore);
}

TEST(BVUnusedDiskImagesScanTask, OffersWhatTheSearchFindsInSearchOrder) {
    BVJunkFixture f;
    // An item without a path names nothing to remove: not offered. Other types are not asked for.
    auto search = std::make_shared<BVMemoryMetadataSearch>(std::map<std::string, std::vector<BVMetadataItemPtr>>{
        {"com.apple.disk-image-udif",
         {BVMetadataItemAtPath(f.home() + "/b.dmg", 7000),
          std::make_shared<BVDictionaryMetadataItem>(BVDictionary{{kBVMDItemFSSize, BVValue(uint64_t(5))}}),
          BVMetadataItemAtPath("/Applications/a.dmg", 3000)}},
        {"public.iso-image", {BVMetadataItemAtPath(f.home() + "/c.iso", 1)}},
    });
    BVUnusedDiskImagesScanTask task(search, f.handle(BVScannerUnusedDiskImages));
    auto result = task.scan();
    EXPECT_EQ(BVItemTexts(result), (std::vector<std::string>{f.home() + "/b.dmg", "/Applications/a.dmg"}));
    EXPECT_EQ(result->size(), 10000u);  // the file-system size attribute
    EXPECT_EQ(task.progress()->fractionCompleted(), 1.0);
    ASSERT_EQ(search->askedTypes().size(), 1u);
    EXPECT_EQ(search->askedTypes()[0], std::set<std::string>{"com.apple.disk-image-udif"});

    search->failWith(BVError("Search", 1));
    EXPECT_TRUE(BVUnusedDiskImagesScanTask(search, f.handle(BVScannerUnusedDiskImages)).scan()->items()->empty());

    BVPaths mac(BVLayout::macos, "/Users/me", "/fixture");
    EXPECT_EQ(BVUnusedDiskImagesScanTask::macosScopes(mac), (std::vector<std::string>{"/Users/me", "/fixture/Applications/"}));
}

TEST(BVUnusedDiskImagesScanTask, ListedAfterTheBrokenStartupItems) {
    for (BVLayout layout : {BVLayout::linux, BVLayout::macos}) {
        BVJunkFixture f({}, layout);
        std::vector<std::string> ids;
        for (const auto& t : BVSystemJunkModule::scanTasks(f.environment())) ids.push_back(t->identifier());
        auto at = std::find(ids.begin(), ids.end(), "BVSystemJunkScanIdentifierBrokenStartupItems");
        ASSERT_NE(at, ids.end());
        ASSERT_NE(at + 1, ids.end());
        EXPECT_EQ(*(at + 1), "BVSystemJunkScanIdentifierUnusedDiskImages");
        EXPECT_EQ(std::count(ids.begin(), ids.end(), "BVSystemJunkScanIdentifierUnusedDiskImages"), 1);
    }
}

TEST(BVUnusedDiskImagesScanTask, ImagesOnAnotherMountInsideTheHomeAreNotFound) {
    BV_REQUIRE_PRIVATE_MOUNTS();
    BVJunkFixture f;
    BVTemporaryFolder outside;
    f.file("Downloads/kept.iso", 10000);
    std::string mounted = f.home() + "/usb", bound = f.file("Downloads/bound.img", 0);
    ::mkdir(mounted.c_str(), 0755);
    std::string why;
    ASSERT_TRUE(BVMountTmpfs(mounted, &why)) << why;
    f.file("usb/stick.iso", 10000);                                       // a file system of its own
    ASSERT_TRUE(BVBindMount(outside.file("elsewhere.img", 10000), bound, &why)) << why;  // a file bind-mounted in
    EXPECT_EQ(offered(BVUnusedDiskImagesScanTask::task(f.environment())->scan(), f.home()),
              (std::vector<std::string>{"Downloads/kept.iso"}));
}
