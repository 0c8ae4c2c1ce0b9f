// Entities of store items, the knowledge-base ignore strategy and dependency fetcher.
#include <gtest/gtest.h>

#include "Foundation/BVUserDefaults.h"
#include "ScanningService/CoreScanning/BVBaseIgnoreStrategy.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "ScanningService/CoreScanning/BVStoreItemModels.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

class Version : public BVFileVersion {
public:
    explicit Version(bool fails) : fails_(fails) {}
    mutable int removals = 0;
    std::optional<BVDate> modificationDate() const override { return std::nullopt; }
    std::string URL() const override { return "/versions/1"; }
    bool removeAndReturnError(BVError* error) const override {
        ++removals;
        if (fails_) BVSetError(error, BVError("Versions", 9));
        return !fails_;
    }
    bool isEqual(const BVObject& o) const override { return &o == this; }
    size_t hash() const override { return 1; }
    std::string description() const override { return "version"; }

private:
    bool fails_;
};

class Mailbox : public BVMailBox {
public:
    explicit Mailbox(std::string n) : name_(std::move(n)) {}
    std::string name() const override { return name_; }
    std::string folderPath() const override { return "/mail/" + name_; }
    bool isEqual(const BVObject& o) const override {
        auto* m = dynamic_cast<const Mailbox*>(&o);
        return m && m->name_ == name_;
    }
    size_t hash() const override { return std::hash<std::string>{}(name_); }
    std::string description() const override { return name_; }

private:
    std::string name_;
};

// Records ignore entries and names dependent applications; stands in for the knowledge base.
class RecordingBase : public BVUserKnowledgeBase, public BVScanKnowledgeBase {
public:
    std::vector<BVIgnoreItemInfo> created;
    std::vector<BVIgnoreItemInfoPtr> fetchIgnoreItems() override { return {}; }
    bool createIgnoreItemWithInfo(const BVIgnoreItemInfo& info) override {
        created.push_back(info);
        return true;
    }
    bool removeIgnoreItem(const std::string&) override { return false; }
    bool removeIgnoreItems() override { return false; }
    void handleUpdate(UpdateBlock) override {}
    void handleOnQueue(BVDispatchQueuePtr, UpdateBlock) override {}
    bool isIgnoreItem(const std::string&) override { return false; }
    bool isIgnoreItem(const std::string&, uint64_t) override { return false; }
    bool shouldSelectItem(const std::string&) override { return false; }
    bool shouldPerformDeepSearchForItem(const std::string&) override { return false; }
    std::vector<std::string> applicationsDependentOnFile(const std::string& path) override {
        ++asked;
        return path.find("Browser") != std::string::npos ? std::vector<std::string>{"org.example.Browser"} : std::vector<std::string>{};
    }
    int asked = 0;
};

}  // namespace

TEST(BVMetadataItemModel, ResolvesItsURLOnceAndRemovesTheFile) {
    BVTemporaryFolder t;
    auto paths = std::make_shared<BVPaths>(BVLayout::linux, t / "home");
    BVPaths::setSharedInstance(paths);
    auto remover = std::make_shared<BVFileRemover>(nullptr, BVFileManager::defaultManager(), paths);
    std::string file = t.file("home/Movies/big.mov", 1000);
    auto byURL = BVEntity::model<BVMetadataItemModel>(
        std::make_shared<BVDictionaryMetadataItem>(BVDictionary{{BVMetadataItemURLKey, BVValue("file://" + file)}}), 4096, true);
    auto byPath = BVEntity::model<BVMetadataItemModel>(
        std::make_shared<BVDictionaryMetadataItem>(BVDictionary{{BVMetadataItemPathKey, BVValue(file)}}), 1, true);
    auto none = BVEntity::model<BVMetadataItemModel>(std::make_shared<BVDictionaryMetadataItem>(BVDictionary{}), 1, true);
    EXPECT_EQ(byURL->url()->path(), file);
    EXPECT_EQ(byPath->url()->path(), file);
    EXPECT_EQ(none->url(), nullptr);
    byURL->setRemover(remover);
    auto result = byURL->remove();
    EXPECT_EQ(result->size(), 4096u);
    EXPECT_FALSE(BVFileManager::defaultManager()->fileExistsAtPath(file));
    BVPaths::setSharedInstance(nullptr);
}

TEST(BVFileVersionModel, RemovesFromTheStoreOrFakesAsTheSwitchesSay) {
    BVTemporaryFolder home;
    BVPaths::setSharedInstance(std::make_shared<BVPaths>(BVLayout::linux, home.path()));
    auto ok = std::make_shared<Version>(false), bad = std::make_shared<Version>(true);
    auto good = BVEntity::model<BVFileVersionModel>(ok, 50, true), failing = BVEntity::model<BVFileVersionModel>(bad, 50, true);
    EXPECT_EQ(good->remove()->size(), 50u);
    auto failed = failing->remove();
    EXPECT_EQ(failed->state(), uint64_t(BVRemovalStateFailed));
    EXPECT_EQ(failed->errors().at(0).code(), 9);
    auto defaults = BVUserDefaults::standardUserDefaults();
    defaults->setObject(BVDebugModeFakeRemove, BVValue(true));
    auto fake = good->remove();
    EXPECT_EQ(fake->size(), 0u);
    EXPECT_EQ(fake->state(), uint64_t(BVRemovalStateSucceeded));
    defaults->setObject(BVDebugModeAllFailedRemove, BVValue(true));
    EXPECT_EQ(good->remove()->errors().at(0).code(), 404);
    EXPECT_EQ(ok->removals, 1);
    BVPaths::setSharedInstance(nullptr);
}

TEST(BVMailboxModel, ComparesMailboxes) {
    BVMailboxModel a(std::make_shared<Mailbox>("Inbox")), b(std::make_shared<Mailbox>("Inbox")), c(std::make_shared<Mailbox>("Sent"));
    EXPECT_TRUE(a.isEqual(b));
    EXPECT_FALSE(a.isEqual(c));
    EXPECT_EQ(a.hash(), b.hash());
    EXPECT_FALSE(a.autoselected());
    EXPECT_EQ(a.size(), 0u);
}

TEST(BVBaseIgnoreStrategy, AddsTheItemWithTheStrategysInfoAndFetchesDependencies) {
    auto base = std::make_shared<RecordingBase>();
    BVBaseIgnoreStrategy strategy(base, std::make_shared<BVIgnoreItemInfo>("~/Library/Caches/com.example"));
    strategy.setUserInfo(BVDictionary{{"BVNodeInfoGenericLocalizedName", BVValue("Example")}});
    EXPECT_TRUE(strategy.isIgnorable());
    strategy.ignore();
    ASSERT_EQ(base->created.size(), 1u);
    EXPECT_EQ(base->created[0].item(), "~/Library/Caches/com.example");
    EXPECT_EQ(base->created[0].userInfo()->at("BVNodeInfoGenericLocalizedName"), BVValue("Example"));
    BVBaseIgnoreStrategy own(base, std::make_shared<BVIgnoreItemInfo>("x", false, BVDictionary{{"k", BVValue(1)}}));
    own.setUserInfo(BVDictionary{{"other", BVValue(2)}});
    own.ignore();
    EXPECT_TRUE(base->created[1].userInfo()->count("k"));  // its own info is kept
    EXPECT_FALSE(BVBaseIgnoreStrategy(base, std::make_shared<BVIgnoreItemInfo>("")).isIgnorable());

    auto fetcher = BVRemovalDependenciesFetcherWithBase(base, "/home/u/.cache/Browser/data");
    EXPECT_EQ(base->asked, 0);  // asked when first needed
    auto deps = fetcher->dependencies();
    ASSERT_EQ(deps.size(), 1u);
    EXPECT_EQ(deps[0]->applicationBundleID(), "org.example.Browser");
    fetcher->dependencies();
    EXPECT_EQ(base->asked, 1);
}
