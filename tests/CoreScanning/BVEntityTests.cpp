// Entity trees, removal results and dependencies.
#include <gtest/gtest.h>

#include <stdexcept>

#include "ScanningService/CoreScanning/BVIgnoreStrategyType.h"
#include "ScanningService/CoreScanning/BVRemovalDependency.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"

namespace {

BVObjectPtr name(const std::string& n) { return BVValueObject::with(BVValue(n)); }

// A leaf whose removal succeeds or fails as told, recording that it ran.
class TestLeaf : public BVEntity {
    BV_ENTITY_CLASS(TestLeaf)
public:
    TestLeaf(BVObjectPtr value, uint64_t size, bool autoselected) : BVEntity(std::move(value), size, autoselected) {}
    bool fail = false;
    int removals = 0;
    BVRemovalResultPtr remove() override {
        ++removals;
        if (fail) return BVRemovalResult::failedResultWithModel(shared_from_this(), BVError("Test", 7));
        return BVRemovalResult::successfulResultWithModel(shared_from_this());
    }
};

class FixedIgnore : public BVIgnoreStrategyType {
public:
    explicit FixedIgnore(bool ignorable) : ignorable_(ignorable) {}
    bool isIgnorable() const override { return ignorable_; }
    void ignore() override { ++ignored; }
    int ignored = 0;

private:
    bool ignorable_;
};

std::shared_ptr<BVTreeEntity> tree(bool autoselected = false) {
    return BVEntity::model<BVTreeEntity>(name("tree"), 0, autoselected);
}

}  // namespace

TEST(BVTreeEntity, SizesAddUpThroughEveryAncestor) {
    auto root = tree(), middle = tree();
    root->addChild(middle);
    EXPECT_EQ(middle->parent(), root);
    auto selected = BVEntity::model<TestLeaf>(name("a"), 100, true);
    auto unselected = BVEntity::model<TestLeaf>(name("b"), 30, false);
    middle->addChild(selected);  // added inside the child after the child joined the root
    middle->addChild(unselected);
    EXPECT_EQ(root->size(), 130u);
    EXPECT_EQ(root->autoselectedSize(), 100u);

    middle->addChild(selected);  // no duplicate check: counted twice
    EXPECT_EQ(root->size(), 230u);
    middle->removeChild(selected);
    EXPECT_EQ(root->size(), 130u);

    unselected->setSize(50);  // changed after it was added: the new size is subtracted
    middle->removeChild(unselected);
    EXPECT_EQ(root->size(), 80u);
    middle->removeChild(BVEntity::model<TestLeaf>(name("stranger"), 999, true));
    EXPECT_EQ(root->size(), 80u);

    root->removeChild(middle);
    EXPECT_EQ(middle->parent(), nullptr);
    EXPECT_EQ(root->size(), 0u);
}

TEST(BVTreeEntity, EmptyTreeIsZeroIgnorableAndRemovesToAnEmptySuccess) {
    auto t = tree();
    t->setIgnoreStrategy(std::make_shared<BVTreeIgnoreStrategy>(t));
    EXPECT_EQ(t->size(), 0u);
    EXPECT_TRUE(t->isIgnorable());
    auto r = t->remove();
    EXPECT_EQ(r->state(), uint64_t(BVRemovalStateSucceeded));
    EXPECT_EQ(r->size(), 0u);
    EXPECT_TRUE(r->errors().empty());
    EXPECT_EQ(BVEntity::model<BVTreeEntity>(name("sized"), 7, true)->autoselectedSize(), 7u);
}

TEST(BVTreeEntity, IgnoringAskesEveryChildAndOneRefusalMakesItUnignorable) {
    auto t = tree();
    t->setIgnoreStrategy(std::make_shared<BVTreeIgnoreStrategy>(t));
    auto yes = std::make_shared<FixedIgnore>(true), no = std::make_shared<FixedIgnore>(false);
    auto a = BVEntity::model<TestLeaf>(name("a"), 1, true), b = BVEntity::model<TestLeaf>(name("b"), 1, true);
    a->setIgnoreStrategy(yes);
    t->addChild(a);
    EXPECT_TRUE(t->isIgnorable());
    t->addChild(b);  // no strategy: not ignorable
    EXPECT_FALSE(t->isIgnorable());
    b->setIgnoreStrategy(no);
    EXPECT_FALSE(t->isIgnorable());
    t->ignore();
    EXPECT_EQ(yes->ignored, 1);
    EXPECT_EQ(no->ignored, 1);
    b->ignore();
    EXPECT_FALSE(BVEntity::model<TestLeaf>(name("c"), 1, true)->isIgnorable());

    auto gone = std::make_shared<BVTreeIgnoreStrategy>(tree());  // its tree is already released
    EXPECT_FALSE(gone->isIgnorable());
}

TEST(BVTreeEntity, RemovalGoesOnAfterAFailureAndReportsPartialSuccess) {
    auto t = tree();
    auto ok = BVEntity::model<TestLeaf>(name("ok"), 40, true);
    auto bad = BVEntity::model<TestLeaf>(name("bad"), 60, true);
    bad->fail = true;
    auto after = BVEntity::model<TestLeaf>(name("after"), 5, true);
    t->addChild(ok);
    t->addChild(bad);
    t->addChild(after);
    auto r = t->remove();
    EXPECT_EQ(after->removals, 1);
    EXPECT_EQ(r->state(), uint64_t(BVRemovalStatePartlySucceeded));
    EXPECT_EQ(r->size(), 45u);
    ASSERT_EQ(r->errors().size(), 1u);
    EXPECT_EQ(r->errors()[0].code(), 7);
    ASSERT_EQ(r->children().size(), 3u);

    auto allFailed = std::make_shared<BVRemovalResult>(nullptr, 0, std::nullopt);
    allFailed->addChild(BVRemovalResult::failedResultWithModel(bad, BVError("Test", 1)));
    allFailed->addChild(BVRemovalResult::failedResultWithModel(bad, BVError("Test", 2)));
    EXPECT_EQ(allFailed->state(), uint64_t(BVRemovalStateFailed));
    auto child = allFailed->children()[0];
    allFailed->removeChild(child);
    EXPECT_EQ(allFailed->children().size(), 1u);
}

// A subclass of the leaf, for equality across one level of subclassing.
class TestSubLeaf : public TestLeaf {
    BV_ENTITY_CLASS(TestSubLeaf)
public:
    using TestLeaf::TestLeaf;
};

TEST(BVEntity, EqualityAllowsSubclassesOnOneSideOnly) {
    auto base = BVEntity::model<TestLeaf>(name("x"), 10, true);
    auto sub = BVEntity::model<TestSubLeaf>(name("x"), 10, true);
    EXPECT_TRUE(base->isEqual(*sub));
    EXPECT_FALSE(sub->isEqual(*base));
    EXPECT_FALSE(base->isEqual(*BVEntity::model<TestLeaf>(name("x"), 11, true)));
    EXPECT_FALSE(base->isEqual(*BVEntity::model<TestLeaf>(name("x"), 10, false)));
    EXPECT_FALSE(base->isEqual(*BVEntity::model<TestLeaf>(name("y"), 10, true)));
    EXPECT_EQ(base->hash(), BVEntity::model<TestLeaf>(name("x"), 10, true)->hash());
    EXPECT_EQ(base->uid(), base->uid());  // made once
    EXPECT_NE(base->uid(), sub->uid());
}

TEST(BVRemovalDependency, TreesCollectDependenciesAndFetchersRunOnce) {
    int calls = 0;
    auto fetcher = BVRemovalDependenciesFetcher::fetcherWithBlock([&] {
        ++calls;
        return std::vector<BVRemovalDependencyPtr>{BVRemovalDependency::dependencyOnApplication("org.example.browser")};
    });
    auto t = tree();
    t->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcher::fetcherWithBundleIDs({"org.example.mail"}));
    auto leaf = BVEntity::model<TestLeaf>(name("a"), 1, true);
    leaf->setRemovalDependenciesFetcher(fetcher);
    t->addChild(leaf);
    auto deps = t->dependencies();
    ASSERT_EQ(deps.size(), 2u);
    EXPECT_EQ(deps[0]->applicationBundleID(), "org.example.mail");
    EXPECT_EQ(deps[1]->applicationBundleID(), "org.example.browser");
    t->dependencies();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(deps[1]->isFulfilled());
    leaf->dependencies()[0]->fulfill();  // the same object, kept by the fetcher
    EXPECT_TRUE(deps[1]->isFulfilled());
    EXPECT_FALSE(deps[1]->isEqual(*BVRemovalDependency::dependencyOnApplication("org.example.browser")));
}
