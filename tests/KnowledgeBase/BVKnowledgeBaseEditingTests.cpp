// Adding and removing user entries: duplicates, notifications, the ignore list through module
// handles, update callbacks on their queue, and lookups running while the list changes.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "tests/KnowledgeBase/BVKnowledgeBaseFixture.h"
#include "tests/fixtures/BVMainQueueWaiter.h"

namespace {

struct Recorded {
    std::vector<BVNotification> notifications;
    std::mutex lock;
    size_t count() {
        std::lock_guard<std::mutex> guard(lock);
        return notifications.size();
    }
};

void record(BVNotificationCenter& center, Recorded& recorded) {
    for (const char* name : {BVKnowledgeBaseDidAddItemNotification, BVKnowledgeBaseDidRemoveItemNotification})
        center.addObserver(name, [&recorded](const BVNotification& n) {
            std::lock_guard<std::mutex> guard(recorded.lock);
            recorded.notifications.push_back(n);
        });
}

BVScannerSet scannersOf(const BVNotification& n) { return BVScannerSetFromValue(n.userInfo.at(BVKnowledgeBaseScanners)); }

}  // namespace

TEST(BVKnowledgeBaseEditing, AddingTwiceStoresOnceAndPostsOnce) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({BVRule(3, "~/.cache/shipped", 10)});
    auto kb = f.makeKnowledgeBase();
    Recorded recorded;
    record(f.center, recorded);
    BVDictionary info{{BVItemInfoValueKey, "~/.cache/a_b"}, {BVItemInfoAdditionalInfoKey, BVDictionary{{"path", "~/.cache/a_b"}}}};
    EXPECT_TRUE(kb->addItemWithItemInfo(info, 3, {10}));
    EXPECT_FALSE(kb->addItemWithItemInfo(info, 3, {10}));
    // "_" is not a wildcard: a different name is not a duplicate.
    EXPECT_TRUE(kb->addItemWithItemInfo({{BVItemInfoValueKey, "~/.cache/aXb"}}, 3, {10}));
    // Already a rule of the application database for the same scanner.
    EXPECT_FALSE(kb->addItemWithItemInfo({{BVItemInfoValueKey, "~/.cache/shipped"}}, 3, {10}));
    EXPECT_FALSE(kb->addItemWithItemInfo({{BVItemInfoValueKey, ""}}, 3, {10}));
    ASSERT_EQ(recorded.count(), 2u);
    EXPECT_EQ(scannersOf(recorded.notifications[0]), BVScannerSet{10});
    EXPECT_EQ(recorded.notifications[0].userInfo.at(BVKnowledgeBaseItemType).int64Value(), 3);
    EXPECT_TRUE(kb->isBlackItem(f.home() + "/.cache/a_b", 10, false));
    EXPECT_FALSE(kb->isBlackItem(f.home() + "/.cache/a_b", 9, false));
    auto items = kb->userIgnoreItemsForScanners({10});
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].at(BVItemInfoAdditionalInfoKey)["path"].stringValue(), "~/.cache/a_b");
}

TEST(BVKnowledgeBaseEditing, GrayItemsOfLanguageAndBinaryScannersAreStoredForAllThree) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({});
    auto kb = f.makeKnowledgeBase();
    BVDictionary info{{BVItemInfoValueKey, "/Applications/Vendor.app"},
                      {BVItemInfoApplicationInfoKey, BVKBApplicationInfo("Vendor", "com.vendor").value()}};
    ASSERT_TRUE(kb->addItemWithItemInfo(info, 4, {30}));
    FMDatabase& db = *kb->userDatabase()->database;
    EXPECT_EQ(db.longForQuery("SELECT count(*) FROM Item WHERE ItemType = 4"), 3);
    EXPECT_EQ(db.longForQuery("SELECT count(*) FROM AppNote"), 3);
    EXPECT_EQ(db.longForQuery("SELECT count(*) FROM Application"), 1);
    bool isUser = false;
    EXPECT_TRUE(kb->isGrayItem("/Applications/vendor.app", 11, &isUser));
    EXPECT_TRUE(isUser);
    // Quitting and application files must name an application.
    EXPECT_FALSE(kb->addItemWithItemInfo({{BVItemInfoValueKey, "~/x"}}, 0, {10}));
}

TEST(BVKnowledgeBaseEditing, ModuleHandlesStoreForEveryMemberAndListOnce) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({});
    auto kb = f.makeKnowledgeBase();
    Recorded recorded;
    record(f.center, recorded);
    BVKnowledgeBaseWrapper systemJunk(kb, 1000001, 25, &f.center);
    BVKnowledgeBaseWrapper userCaches(kb, 10, 29, &f.center);
    BVKnowledgeBaseWrapper mail(kb, 1000004, 25, &f.center);
    ASSERT_TRUE(systemJunk.createIgnoreItemWithInfo(BVIgnoreItemInfo("~/.cache/mine")));
    ASSERT_TRUE(mail.createIgnoreItemWithInfo(BVIgnoreItemInfo("~/Mail/.*\\.eml", true)));
    EXPECT_EQ(kb->userDatabase()->database->longForQuery("SELECT count(*) FROM Item WHERE Value = '~/.cache/mine'"), 16);
    auto listed = systemJunk.fetchIgnoreItems();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]->item(), "~/.cache/mine");
    ASSERT_EQ(mail.fetchIgnoreItems().size(), 1u);
    EXPECT_TRUE(mail.fetchIgnoreItems()[0]->isItemRegex());
    EXPECT_TRUE(userCaches.isIgnoreItem(f.home() + "/.cache/mine"));
    EXPECT_TRUE(mail.isIgnoreItem(f.home() + "/Mail/x.EML"));

    ASSERT_TRUE(userCaches.removeIgnoreItem("~/.cache/mine"));  // only scanner 10's row
    EXPECT_FALSE(userCaches.isIgnoreItem(f.home() + "/.cache/mine"));
    EXPECT_TRUE(kb->isBlackItem(f.home() + "/.cache/mine", 9, false));
    ASSERT_TRUE(systemJunk.removeIgnoreItems());
    EXPECT_TRUE(systemJunk.fetchIgnoreItems().empty());
    EXPECT_EQ(mail.fetchIgnoreItems().size(), 1u);
    ASSERT_TRUE(kb->resetUserIgnoreList());
    EXPECT_TRUE(mail.fetchIgnoreItems().empty());
    EXPECT_FALSE(mail.isIgnoreItem(f.home() + "/Mail/x.eml"));
    ASSERT_EQ(recorded.count(), 5u);
    EXPECT_EQ(recorded.notifications[2].name, BVKnowledgeBaseDidRemoveItemNotification);
    EXPECT_EQ(scannersOf(recorded.notifications[2]), BVScannerSet{10});
}

TEST(BVKnowledgeBaseEditing, SelectionMemoryStopsPreselection) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({});
    auto kb = f.makeKnowledgeBase();
    BVKnowledgeBaseWrapper caches(kb, 10, 29, &f.center);
    std::string path = f.home() + "/.cache/it's";
    EXPECT_TRUE(caches.shouldSelectItem(path));
    ASSERT_TRUE(kb->addItemsToSelectionMemory({path}, {1000001}));
    EXPECT_FALSE(caches.shouldSelectItem(path));
    EXPECT_TRUE(kb->resetUserKnowledgeBaseForItemTypes({7}, {10}));
    EXPECT_TRUE(caches.shouldSelectItem(path));
}

TEST(BVKnowledgeBaseEditing, UpdateCallbacksRunOnTheirQueueForTheirScanners) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({});
    auto kb = f.makeKnowledgeBase();
    BVKnowledgeBaseWrapper caches(kb, 1000001, 25, &f.center);
    BVKnowledgeBaseWrapper mail(kb, 1000004, 25, &f.center);
    std::atomic<int> cachesCalls{0}, mailCalls{0};
    std::atomic<bool> onMain{false};
    auto main = BVDispatchQueue::main();
    caches.handleUpdate([&] {
        onMain = main->isCurrent();
        ++cachesCalls;
    });
    mail.handleUpdate([&] { ++mailCalls; });
    std::thread writer([&] { kb->addItemWithItemInfo({{BVItemInfoValueKey, "~/.cache/x"}}, 3, {10}); });
    writer.join();
    ASSERT_TRUE(BVRunMainQueueUntil([&] { return cachesCalls == 1; }));
    BVRunLoop::drain();
    EXPECT_TRUE(onMain);
    EXPECT_EQ(mailCalls, 0);
}

TEST(BVKnowledgeBaseEditing, LookupsRunWhileTheListChanges) {
    BVKnowledgeBaseFixture f;
    std::vector<BVRuleRecord> rules;
    for (int i = 0; i < 200; ++i) rules.push_back(BVRule(3, "~/.cache/rule" + std::to_string(i), 10));
    rules.push_back(BVRule(3, "~/\\.cache/re[0-9]+", 10, true));
    f.buildShipped(rules);
    auto kb = f.makeKnowledgeBase();
    std::atomic<bool> done{false};
    std::atomic<int> wrong{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t)
        readers.emplace_back([&] {
            BVKnowledgeBaseWrapper handle(kb, 10, 29, &f.center);
            while (!done) {
                if (!handle.isIgnoreItem(f.home() + "/.cache/rule7")) ++wrong;
                if (!handle.isIgnoreItem(f.home() + "/.cache/re42")) ++wrong;
                if (handle.isIgnoreItem(f.home() + "/.cache/nothing")) ++wrong;
            }
        });
    for (int i = 0; i < 20; ++i) {
        std::string value = "~/.cache/user" + std::to_string(i);
        ASSERT_TRUE(kb->addItemWithItemInfo({{BVItemInfoValueKey, value}}, 3, {10}));
        EXPECT_TRUE(kb->isBlackItem(f.home() + "/.cache/user" + std::to_string(i), 10, false));
        if (i % 2) {
            ASSERT_TRUE(kb->removeItemWithFullItemValue(value, 3, {10}));
        }
    }
    done = true;
    for (auto& t : readers) t.join();
    EXPECT_EQ(wrong, 0);
}
