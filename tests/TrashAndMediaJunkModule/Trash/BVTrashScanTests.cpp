// The file trashes on fixture homes and volumes: the user's, cloud and per-application trashes
// of both layouts, the mounted volumes that get a task, the mount table, and mail trashes with
// and without downloaded attachments.
#include <gtest/gtest.h>
#include <unistd.h>

#include <set>

#include "Foundation/BVMountedVolumes.h"
#include "ScanningService/CoreScanning/BVStoreItemModels.h"
#include "TrashAndMediaJunkModule/Trash/BVMailTrashScanTask.h"
#include "TrashAndMediaJunkModule/Trash/BVMountedTrashesScanTask.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashedFileModel.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashesScanTask.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

std::vector<BVEntityPtr> childrenOf(const BVEntityPtr& e) {
    auto tree = std::dynamic_pointer_cast<BVTreeEntity>(e);
    return tree ? tree->children() : std::vector<BVEntityPtr>{};
}

std::string pathOf(const BVEntityPtr& e) { return std::dynamic_pointer_cast<BVFileModel>(e)->url()->path(); }

// The one group entity of a trash result, and its items' paths relative to `base`.
std::set<std::string> itemsOf(const BVScanResultPtr& result, const std::string& base, BVEntityPtr* group = nullptr) {
    EXPECT_FALSE(result->error());
    auto items = result->items().value_or(std::vector<BVEntityPtr>{});
    EXPECT_EQ(items.size(), 1u);
    if (items.empty()) return {};
    if (group) *group = items[0];
    std::set<std::string> paths;
    for (const auto& c : childrenOf(items[0])) paths.insert(pathOf(c).substr(base.size() + 1));
    return paths;
}

class Mailbox final : public BVMailBox {
public:
    Mailbox(std::string name, std::string type, bool enabled, std::optional<std::string> trash, std::vector<std::string> messages)
        : name_(std::move(name)), type_(std::move(type)), enabled_(enabled), trash_(std::move(trash)), messages_(std::move(messages)) {}
    std::string name() const override { return name_; }
    std::string folderPath() const override { return trash_.value_or(""); }
    std::string accountType() const override { return type_; }
    bool isEnabled() const override { return enabled_; }
    std::optional<std::string> trashMailBoxURL() const override { return trash_; }
    std::vector<std::string> trashes() const override { return messages_; }
    bool isEqual(const BVObject& o) const override {
        auto* m = dynamic_cast<const Mailbox*>(&o);
        return m && m->name_ == name_;
    }
    size_t hash() const override { return std::hash<std::string>{}(name_); }
    std::string description() const override { return name_; }

private:
    std::string name_, type_;
    bool enabled_;
    std::optional<std::string> trash_;
    std::vector<std::string> messages_;
};

struct Volumes final : BVMountedVolumes {
    std::vector<BVVolume> list;
    std::vector<BVVolume> mountedVolumes() const override { return list; }
};

}  // namespace

TEST(BVTrashesScan, ListsEveryTrashOfTheLayoutAndNeverALinkedTrashFolder) {
    BVTemporaryFolder t;
    std::string home = t.folder("home");
    t.file("home/.Trash/old.txt", 3000);
    t.file("home/.Trash/Folder/inside.txt", 5000);
    t.file("home/.Trash/.hidden", 10);
    t.file("home/Library/Mobile Documents/.Trash/cloud.key", 10);
    t.file("home/Library/Mobile Documents/com~apple~Pages/Documents/.Trash/draft.pages", 10);
    t.file("home/Library/Mobile Documents/com~apple~Pages/Documents/kept.pages", 10);
    t.folder("home/Library/Mobile Documents/com~other/Documents");  // no trash of its own
    BVEntityPtr group;
    BVTrashesScanTask mac(BVFileManager::defaultManager(), std::make_shared<BVPaths>(BVLayout::macos, home));
    EXPECT_EQ(itemsOf(mac.scan(), home, &group),
              (std::set<std::string>{".Trash/.hidden", ".Trash/Folder", ".Trash/old.txt", "Library/Mobile Documents/.Trash/cloud.key",
                                     "Library/Mobile Documents/com~apple~Pages/Documents/.Trash/draft.pages"}));
    EXPECT_EQ(group->value()->description(), "/");
    // Each item is measured whole (a folder with what it holds); the group adds them up.
    uint64_t sum = 0;
    for (const auto& c : childrenOf(group)) {
        if (pathOf(c).ends_with("/Folder")) {
            EXPECT_EQ(c->size(), BVAllocatedBytes(home + "/.Trash/Folder") + BVAllocatedBytes(home + "/.Trash/Folder/inside.txt"));
        }
        sum += c->size();
    }
    EXPECT_EQ(group->size(), sum);
    EXPECT_EQ(group->autoselectedSize(), group->size());

    // The linux layout: only the freedesktop trash, whose items know their records.
    t.file("home/.local/share/Trash/files/report.odt", 100);
    t.fileWithText("home/.local/share/Trash/info/report.odt.trashinfo", "[Trash Info]\nPath=/x/report.odt\n");
    BVTrashesScanTask linux(BVFileManager::defaultManager(), std::make_shared<BVPaths>(BVLayout::linux, home));
    EXPECT_EQ(itemsOf(linux.scan(), home, &group), (std::set<std::string>{".local/share/Trash/files/report.odt"}));
    auto item = std::dynamic_pointer_cast<BVTrashedFileModel>(childrenOf(group).at(0));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->infoRecordPath(), home + "/.local/share/Trash/info/report.odt.trashinfo");

    // A trash folder that is a link to elsewhere is not listed: its items are not trash.
    std::string elsewhere = t.folder("precious");
    t.file("precious/thesis.tex", 10);
    BVTemporaryFolder other;
    std::string home2 = other.folder("home");
    ASSERT_EQ(::symlink(elsewhere.c_str(), (home2 + "/.Trash").c_str()), 0);
    BVTrashesScanTask linked(BVFileManager::defaultManager(), std::make_shared<BVPaths>(BVLayout::macos, home2));
    EXPECT_TRUE(itemsOf(linked.scan(), home2).empty());
}

TEST(BVMountedTrashes, OnlyLocalWritableRemovableVolumesGetATask) {
    struct Case {
        BVLayout layout;
        BVVolume volume;
        bool cleanable;
    };
    auto v = [](std::string path, bool local = true, bool readOnly = false, bool hidden = false, bool browsable = true) {
        return BVVolume{std::move(path), browsable, false, local, readOnly, hidden};
    };
    const Case cases[] = {
        {BVLayout::macos, v("/Volumes/USB"), true},
        {BVLayout::macos, v("/VOLUMES/Backup Disk"), true},
        {BVLayout::macos, v("/mnt/USB"), false},
        {BVLayout::macos, v("/Volumes"), false},
        {BVLayout::macos, v("/Volumes/CD", true, true), false},
        {BVLayout::macos, v("/Volumes/Share", false), false},
        {BVLayout::macos, v("/Volumes/Recovery", true, false, true), false},
        {BVLayout::macos, v("/Volumes/Quiet", true, false, false, false), false},
        {BVLayout::linux, v("/media/alice/USB"), true},
        {BVLayout::linux, v("/run/media/alice/USB"), true},
        {BVLayout::linux, v("/media/bob/USB"), false},
        {BVLayout::linux, v("/media/alice"), false},
        {BVLayout::linux, v("/media/alice/DVD", true, true), false},
        {BVLayout::linux, v("/media/alice/nas", false), false},
        {BVLayout::linux, v("/Volumes/USB"), false},
    };
    for (const auto& c : cases) {
        auto volumes = std::make_shared<Volumes>();
        volumes->list = {c.volume};
        BVMountedTrashesScanTasksFactory factory(volumes, std::make_shared<BVPaths>(c.layout, "/home/alice"), "alice", 1000);
        EXPECT_EQ(factory.tasks().size(), c.cleanable ? 1u : 0u) << c.volume.path;
    }
}

TEST(BVMountedTrashes, ScansTheUsersTrashOnTheVolume) {
    BVTemporaryFolder t;
    std::string volume = t.folder("USB");
    t.file("USB/.Trashes/501/photo.jpg", 2000);
    t.file("USB/.Trashes/502/not-mine.jpg", 2000);
    t.file("USB/.Trash-1000/files/song.ogg", 2000);
    t.fileWithText("USB/.Trash-1000/info/song.ogg.trashinfo", "[Trash Info]\n");
    BVEntityPtr group;
    BVMountedTrashesScanTask mac(volume, BVFileManager::defaultManager(), BVLayout::macos, 501);
    EXPECT_EQ(itemsOf(mac.scan(), volume, &group), (std::set<std::string>{".Trashes/501/photo.jpg"}));
    EXPECT_EQ(group->value()->description(), volume);
    BVMountedTrashesScanTask linux(volume, BVFileManager::defaultManager(), BVLayout::linux, 1000);
    EXPECT_EQ(itemsOf(linux.scan(), volume, &group), (std::set<std::string>{".Trash-1000/files/song.ogg"}));
    EXPECT_EQ(std::dynamic_pointer_cast<BVTrashedFileModel>(childrenOf(group).at(0))->infoRecordPath(),
              volume + "/.Trash-1000/info/song.ogg.trashinfo");
    BVMountedTrashesScanTask nobody(volume, BVFileManager::defaultManager(), BVLayout::linux, 7);
    EXPECT_TRUE(itemsOf(nobody.scan(), volume).empty());
}

TEST(BVMountedTrashes, TheMountTableGivesPathsReadOnlyAndNetworkVolumes) {
    const std::string text =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 22 8:17 / /media/alice/My\\040Disk rw,nosuid shared:20 - vfat /dev/sdb1 rw,uid=1000\n"
        "41 22 11:0 / /media/alice/DVD ro,nosuid - iso9660 /dev/sr0 ro\n"
        "42 22 0:50 / /media/alice/nas rw - nfs4 server:/export rw\n"
        "43 22 0:51 / /media/alice/lock rw - ext4 /dev/sdc1 ro\n"
        "garbage line\n";
    auto volumes = BVParseMountInfo(text);
    ASSERT_EQ(volumes.size(), 5u);
    EXPECT_EQ(volumes[1].path, "/media/alice/My Disk");
    EXPECT_FALSE(volumes[1].isReadOnly);
    EXPECT_TRUE(volumes[2].isReadOnly);
    EXPECT_FALSE(volumes[3].isLocal);
    EXPECT_TRUE(volumes[4].isReadOnly);  // read-only by the file system's own options
    EXPECT_FALSE(BVMountedVolumes::defaultVolumes()->mountedVolumes().empty());  // this host's table
}

TEST(BVMailTrash, MessagesWithTheirAttachmentsAndOnlyEligibleAccounts) {
    BVTemporaryFolder t;
    std::string data = t.folder("Mail/V10/IMAP-a@b/Deleted Messages.mbox/UUID/Data");
    std::string with = t.file("Mail/V10/IMAP-a@b/Deleted Messages.mbox/UUID/Data/Messages/12.emlx", 3000);
    std::string partial = t.file("Mail/V10/IMAP-a@b/Deleted Messages.mbox/UUID/Data/Messages/13.emlxpart", 100);
    std::string plain = t.file("Mail/V10/IMAP-a@b/Deleted Messages.mbox/UUID/Data/Messages/14.emlx", 100);
    std::string other = t.file("Mail/V10/IMAP-a@b/Deleted Messages.mbox/UUID/Data/Messages/notes.txt", 100);
    std::string pdf = t.file("Mail/V10/IMAP-a@b/Deleted Messages.mbox/UUID/Data/Attachments/12/2/invoice.pdf", 9000);
    std::string png = t.file("Mail/V10/IMAP-a@b/Deleted Messages.mbox/UUID/Data/Attachments/12/3/logo.png", 500);
    t.file("Mail/V10/IMAP-a@b/Deleted Messages.mbox/UUID/Data/Attachments/12/stray", 10);  // depth 1: not a part
    auto box = std::make_shared<Mailbox>("Work", "IMAPAccount", true, data, std::vector<std::string>{with, partial, plain, other, data + "/missing.emlx"});
    BVMailTrashScanTask task(box);
    auto result = task.scan();
    ASSERT_EQ(result->items()->size(), 1u);
    auto mailbox = std::dynamic_pointer_cast<BVMailboxModel>(result->items()->at(0));
    ASSERT_TRUE(mailbox);
    auto messages = mailbox->children();
    ASSERT_EQ(messages.size(), 3u);
    auto first = std::dynamic_pointer_cast<BVFileURLSequenceModel>(messages[0]);
    EXPECT_TRUE(first->shouldRemoveSelf());
    std::set<std::string> attachments;
    for (const auto& a : first->children()) attachments.insert(pathOf(a));
    EXPECT_EQ(attachments, (std::set<std::string>{pdf, png}));
    EXPECT_EQ(first->size(), BVAllocatedBytes(with) + BVAllocatedBytes(pdf) + BVAllocatedBytes(png));
    // A message without an attachments folder is one entity with no children.
    EXPECT_TRUE(std::dynamic_pointer_cast<BVTreeEntity>(messages[2])->children().empty());
    EXPECT_EQ(messages[2]->size(), BVAllocatedBytes(plain));

    struct Info final : BVMailInfo {
        std::vector<BVMailBoxPtr> boxes;
        std::vector<BVMailBoxPtr> mailboxes() const override { return boxes; }
    };
    auto info = std::make_shared<Info>();
    info->boxes = {box,
                   std::make_shared<Mailbox>("Cloud", "AosImapAccount", true, "/t", std::vector<std::string>{}),
                   std::make_shared<Mailbox>("Pop", "POPAccount", true, "/t", std::vector<std::string>{}),
                   std::make_shared<Mailbox>("NoTrash", "IMAPAccount", true, std::nullopt, std::vector<std::string>{}),
                   std::make_shared<Mailbox>("Off", "IMAPAccount", false, "/t", std::vector<std::string>{})};
    std::vector<std::string> names;
    for (const auto& task : BVMailTrashScanTasksFactory(info).tasks())
        names.push_back(std::dynamic_pointer_cast<BVMailTrashScanTask>(task)->mailbox()->name());
    EXPECT_EQ(names, (std::vector<std::string>{"Work", "Cloud"}));
}
