// Mail attachments: the downloads folders through the command line on a macos fixture home
// (what is offered and ticked, what a clean changes, byte for byte), and the mailboxes'
// attachment copies from a scripted mail store (this host has none): grouping by name and size,
// and the ignore list at each level.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include "Foundation/BVJSONCodec.h"
#include "KnowledgeBase/BVIgnoreItemInfo.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "TrashAndMediaJunkModule/Mail/BVMailModule.h"
#include "TrashAndMediaJunkModule/Mail/BVMailTask.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"
#include "tests/fixtures/BVCommandRun.h"
#include "tests/fixtures/BVDiskSnapshot.h"

namespace {

BVCommandRun brenvik(std::vector<std::string> arguments, const BVTemporaryFolder& t, const char* layout = "macos") {
    arguments.insert(arguments.end(), {"--home", t / "home", "--root", t / "root", "--layout", layout, "--no-progress"});
    return BVRunBrenvik(arguments);
}

void makeOlder(const std::string& path) {
    struct utimbuf times {1577836800, 1577836800};  // 2020-01-01: written long after it was made
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

class Mailbox final : public BVMailBox {
public:
    Mailbox(std::string id, std::vector<std::string> attachments, bool available = true)
        : id_(std::move(id)), attachments_(std::move(attachments)), available_(available) {}
    std::string name() const override { return id_; }
    std::string folderPath() const override { return {}; }
    std::string uniqueID() const override { return id_; }
    bool isAvailableForClean() const override { return available_; }
    void enumerateAttachments(const std::function<bool(const std::string&)>& handler) const override {
        for (const auto& a : attachments_)
            if (!handler(a)) return;
    }
    bool isEqual(const BVObject& o) const override {
        auto* m = dynamic_cast<const Mailbox*>(&o);
        return m && m->id_ == id_;
    }
    size_t hash() const override { return std::hash<std::string>{}(id_); }
    std::string description() const override { return id_; }

private:
    std::string id_;
    std::vector<std::string> attachments_;
    bool available_;
};

class MailStore final : public BVMailInfo {
public:
    std::vector<BVMailBoxPtr> mailboxes() const override { return boxes; }
    uint64_t attachmentsCount() const override { return 5; }
    std::vector<BVMailBoxPtr> boxes;
};

// "value: child, child" per entity below each mailbox, paths relative to the home.
std::vector<std::string> summary(const BVScanResultPtr& result, const std::string& home) {
    std::vector<std::string> lines;
    auto relative = [&](std::string p) { return p.starts_with(home + "/") ? p.substr(home.size() + 1) : p; };
    for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{})) {
        auto mailbox = std::dynamic_pointer_cast<BVMailboxModel>(item);
        for (const auto& group : mailbox->children()) {
            std::string line = mailbox->mailbox()->uniqueID() + " " + relative(BVEntityPath(group)) + ":";
            for (const auto& file : std::dynamic_pointer_cast<BVTreeEntity>(group)->children()) line += " " + relative(BVEntityPath(file));
            lines.push_back(line);
        }
    }
    return lines;
}

}  // namespace

// The downloads folders: a download kept in a UUID folder is shown by its file, one changed
// after it was saved is offered unticked, ".DS_Store" is never offered, the sandboxed folder
// counts too; the clean removes exactly the ticked downloads.
TEST(BVMailJunk, OffersTheDownloadsAndCleansTheUnchangedOnes) {
    BVTemporaryFolder t;
    t.folder("root");
    std::string downloads = "home/Library/Mail Downloads/";
    std::string inFolder = t.file(downloads + "0A1B2C3D-1111-2222-3333-444455556666/report.pdf", 20000);
    std::string unchanged = t.file(downloads + "photo.jpg", 8000);
    std::string edited = t.file(downloads + "notes.txt", 3000);
    makeOlder(edited);
    t.file(downloads + ".DS_Store", 10);
    std::string sandboxed = t.file("home/Library/Containers/com.apple.mail/Data/Library/Mail Downloads/sheet.xls", 9000);
    t.file("home/Library/Mail/V10/inbox/message.emlx", 1000);

    BVCommandRun scan = brenvik({"scan", "mail", "--json"}, t);
    ASSERT_EQ(scan.status, 0) << scan.err;
    auto document = BVJSONCodec::decode(scan.out).value();
    const auto& results = document["results"].arrayValue();
    ASSERT_EQ(results.size(), 1u) << scan.out;
    ASSERT_EQ(results[0]["items"].arrayValue().size(), 1u) << scan.out;
    const BVValue& model = results[0]["items"].arrayValue()[0];
    EXPECT_EQ(model["value"].stringValue(), "Mail Downloads");
    std::map<std::string, bool> offered;
    for (const auto& download : model["children"].arrayValue())
        offered[download["path"].stringValue() + " <- " + download["children"].arrayValue().at(0)["path"].stringValue()] =
            download["autoselected"].boolValue();
    std::string folder = t / downloads + "0A1B2C3D-1111-2222-3333-444455556666";
    std::map<std::string, bool> expected = {{inFolder + " <- " + folder, true},
                                            {unchanged + " <- " + unchanged, true},
                                            {edited + " <- " + edited, false},
                                            {sandboxed + " <- " + sandboxed, true}};
    EXPECT_EQ(offered, expected) << scan.out;

    auto before = BVSnapshot(t.path());
    BVCommandRun clean = brenvik({"clean", "mail", "--yes"}, t);
    ASSERT_EQ(clean.status, 0) << clean.err << clean.out;
    auto changed = BVChangedPaths(before, BVSnapshot(t.path()));
    std::erase_if(changed, [&](const std::string& p) {
        return p.starts_with(t / "home/Library/Logs") || p.starts_with(t / "home/Library/Application Support/Brenvik X");
    });
    std::vector<std::string> gone = {folder, inFolder, sandboxed, unchanged};
    std::sort(gone.begin(), gone.end());
    EXPECT_EQ(changed, gone);

    BVCommandRun linux = brenvik({"scan", "mail", "--json"}, t, "linux");
    ASSERT_EQ(linux.status, 0) << linux.err;
    EXPECT_EQ(BVJSONCodec::decode(linux.out).value()["results"].arrayValue().size(), 0u) << linux.out;
}

// The same attachment saved in three messages is one group of three files; the same name with
// another size is a group of its own; a mailbox without attachments, one not available for
// cleaning and one on the ignore list are left out, and so are an ignored group and file.
TEST(BVMailJunk, GroupsTheCopiesOfEachAttachmentPerMailbox) {
    BVJunkFixture f({}, BVLayout::macos);
    auto copy = [&](const std::string& message, const std::string& name, uint64_t bytes) {
        return f.file("Library/Mail/V10/box.mbox/Attachments/" + message + "/2/" + name, bytes);
    };
    std::string a1 = copy("1", "invoice.pdf", 10000), a2 = copy("2", "invoice.pdf", 10000), a3 = copy("3", "invoice.pdf", 10000);
    std::string other = copy("4", "invoice.pdf", 30000);
    std::string ignoredFile = copy("5", "plan.doc", 5000), kept = copy("6", "plan.doc", 5000);
    std::string ignoredGroup = copy("7", "secret.key", 4096);
    auto handle = f.handle(BVScannerMailAttachments);
    ASSERT_TRUE(handle->createIgnoreItemWithInfo(BVIgnoreItemInfo(ignoredFile)));
    ASSERT_TRUE(handle->createIgnoreItemWithInfo(BVIgnoreItemInfo("secret.key-4096")));
    ASSERT_TRUE(handle->createIgnoreItemWithInfo(BVIgnoreItemInfo("ignored-box")));
    auto store = std::make_shared<MailStore>();
    store->boxes = {std::make_shared<Mailbox>("work", std::vector<std::string>{a1, a2, other, a3, ignoredFile, kept, ignoredGroup}),
                    std::make_shared<Mailbox>("empty", std::vector<std::string>{}),
                    std::make_shared<Mailbox>("unavailable", std::vector<std::string>{copy("8", "x.pdf", 1000)}, false),
                    std::make_shared<Mailbox>("ignored-box", std::vector<std::string>{copy("9", "y.pdf", 1000)})};

    auto tasks = BVMailModule::scanTasks(f.environment(), store);
    ASSERT_EQ(tasks.size(), 1u);
    std::string box = "Library/Mail/V10/box.mbox/Attachments/";
    EXPECT_EQ(summary(tasks[0]->scan(), f.home()),
              (std::vector<std::string>{"work " + box + "1/2/invoice.pdf: " + box + "1/2/invoice.pdf " + box + "2/2/invoice.pdf " + box +
                                            "3/2/invoice.pdf",
                                        "work " + box + "4/2/invoice.pdf: " + box + "4/2/invoice.pdf",
                                        "work " + box + "6/2/plan.doc: " + box + "6/2/plan.doc"}));
}
