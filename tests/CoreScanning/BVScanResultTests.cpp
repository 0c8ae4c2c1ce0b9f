// Scan results, mutable results, compound tasks and canned results.
#include <gtest/gtest.h>

#include "Foundation/BVPaths.h"
#include "Foundation/BVUserDefaults.h"
#include "ScanningService/CoreScanning/BVCannedResults.h"
#include "ScanningService/CoreScanning/BVCompoundScanTask.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"
#include "tests/CoreScanning/BVScanTestTasks.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

BVEntityPtr item(const std::string& v, uint64_t size, bool selected) {
    return BVEntity::model<BVTreeEntity>(BVValueObject::with(BVValue(v)), size, selected);
}

// Points the shared paths (and so the user defaults and "~/BRKX/Tasks") at a fixture home.
class FixtureHome : public ::testing::Test {
protected:
    void SetUp() override { BVPaths::setSharedInstance(std::make_shared<BVPaths>(BVLayout::linux, home.path())); }
    void TearDown() override { BVPaths::setSharedInstance(nullptr); }
    void setSwitch(const char* key, bool on) { BVUserDefaults::standardUserDefaults()->setObject(key, BVValue(on)); }
    BVTemporaryFolder home;
};

class PhotosFake : public BVPhotos {
public:
    bool openFails = false;
    int opens = 0, closes = 0;
    bool openLibraryWithTimeout(double seconds, BVError* error) override {
        ++opens;
        EXPECT_EQ(seconds, 60);
        if (openFails && error) *error = BVError("BVPhotosErrorDomain", 3);
        return !openFails;
    }
    void closeLibrary() override { ++closes; }
};

}  // namespace

TEST(BVScanResult, SizesEqualityAndMutableCopies) {
    auto a = item("a", 10, true), b = item("b", 5, false);
    auto r1 = BVScanResult::resultWithIdentifier("one", std::vector<BVEntityPtr>{a, b});
    auto r2 = BVScanResult::resultWithIdentifier("two", std::vector<BVEntityPtr>{item("a", 10, true), item("b", 5, false)});
    EXPECT_EQ(r1->size(), 15u);
    EXPECT_EQ(r1->selectedSize(), 10u);
    EXPECT_TRUE(r1->isEqual(*r2));  // identifiers are not compared
    EXPECT_EQ(r1->hash(), r2->hash());
    BVScanResult neither("x", std::nullopt, std::nullopt);
    EXPECT_FALSE(neither.isEqual(neither));
    auto e1 = BVScanResult::resultWithIdentifier("x", BVError("D", 1)), e2 = BVScanResult::resultWithIdentifier("y", BVError("D", 1));
    EXPECT_TRUE(e1->isEqual(*e2));
    EXPECT_FALSE(e1->items());

    auto m = r1->mutableCopy();
    m->addItem(a);  // now twice
    EXPECT_EQ(m->size(), 25u);
    m->removeItem(a);  // both occurrences go, the size once
    EXPECT_EQ(m->items()->size(), 1u);
    EXPECT_EQ(m->size(), 15u);
    auto frozen = m->copy();
    m->setItems({});
    EXPECT_EQ(frozen->items()->size(), 1u);
    EXPECT_EQ(m->size(), 0u);
    EXPECT_EQ(m->selectedSize(), 0u);
}

TEST_F(FixtureHome, CompoundTaskRunsSubTasksInOrderAndStopsOnCancel) {
    std::vector<std::shared_ptr<BVSteppingTask>> subs;
    std::vector<BVScanTaskPtr> tasks;
    for (int i = 0; i < 5; ++i) {
        subs.push_back(std::make_shared<BVSteppingTask>("sub" + std::to_string(i), 2));
        tasks.push_back(subs.back());
    }
    // Cancels the compound once the second sub-task has run.
    class Canceller : public BVScanTask, public BVProgressReporting {
    public:
        Canceller(std::shared_ptr<BVCompoundProgress>* target) : target_(target), p_(BVComputableProgress::create()) {}
        std::string identifier() const override { return "canceller"; }
        BVProgressPtr progress() const override { return p_; }
        BVScanResultPtr scan() override {
            (*target_)->cancel();
            return BVScanResult::emptyResultWithIdentifier("canceller");
        }
        std::shared_ptr<BVCompoundProgress>* target_;
        BVProgressPtr p_;
    };
    std::shared_ptr<BVCompoundProgress> compoundProgress;
    tasks.insert(tasks.begin() + 2, std::make_shared<Canceller>(&compoundProgress));
    BVCompoundScanTask compound("compound", tasks);
    compoundProgress = std::static_pointer_cast<BVCompoundProgress>(compound.progress());
    auto result = compound.scan();
    EXPECT_EQ(result->identifier(), "compound");
    EXPECT_EQ(result->items()->size(), 4u);  // the first two sub-tasks' items
    EXPECT_FALSE(subs[2]->started);

    BVCompoundScanTask empty("empty", {});
    EXPECT_EQ(empty.scan()->items()->size(), 0u);

    auto sub = std::make_shared<BVSteppingTask>("s", 3);
    BVCompoundScanTask cancelledFirst("c", {sub});
    cancelledFirst.progress()->cancel();
    EXPECT_TRUE(cancelledFirst.scan()->items()->empty());
    EXPECT_FALSE(sub->started);

    EXPECT_THROW(BVCompoundScanTask("bad", {std::make_shared<BVPlainTask>("plain")}), std::invalid_argument);
}

TEST_F(FixtureHome, DebugSwitchesReturnEmptyOrCannedResults) {
    auto sub = std::make_shared<BVSteppingTask>("s", 3);
    BVCompoundScanTask compound("compound", {sub});
    setSwitch(BVDebugModeFakeScanningEmptyResults, true);
    EXPECT_TRUE(compound.scan()->items()->empty());
    EXPECT_FALSE(sub->started);
    setSwitch(BVDebugModeFakeScanningEmptyResults, false);

    auto photos = std::make_shared<PhotosFake>();
    BVPhotosLibraryCompoundScanTask library("photos", {std::make_shared<BVSteppingTask>("p", 1)}, photos);
    EXPECT_EQ(library.scan()->items()->size(), 1u);
    EXPECT_EQ(photos->closes, 1);
    photos->openFails = true;
    auto failed = library.scan();
    ASSERT_TRUE(failed->error());
    EXPECT_EQ(failed->error()->code(), 3);

    setSwitch(BVDebugModeFakeScanningJSONResults, true);
    int before = photos->opens;
    EXPECT_TRUE(library.scan()->items()->empty());  // no canned file: empty
    EXPECT_EQ(photos->opens, before);
    home.fileWithText("BRKX/Tasks/BVPhotosLibraryCompoundScanTask.json", R"({"identifier": "canned", "error": "boom"})");
    auto canned = library.scan();
    ASSERT_TRUE(canned->error());
    EXPECT_EQ(canned->error()->domain(), "com.json.scanresult");
    EXPECT_EQ(canned->error()->localizedDescription(), "boom");
}

TEST_F(FixtureHome, CannedResultsStripCommentLinesAndBuildRegisteredClasses) {
    BVCannedEntityRegistry::shared().registerClass("TestCanned", [](const BVValue& d) -> BVEntityPtr {
        if (!d.contains("size")) return nullptr;
        return BVEntity::model<BVTreeEntity>(BVValueObject::with(d["name"]), d["size"].uint64Value(), true);
    });
    home.fileWithText("BRKX/Tasks/T.json",
                      "{\n"
                      "   // a comment line, indented\n"
                      "  \"identifier\": \"T\",\n"
                      "  \"items\": [\n"
                      "    {\"classname\": \"TestCanned\", \"name\": \"http://a//b\", \"size\": 7}, // kept: text before it\n"
                      "    {\"classname\": \"Unknown\"},\n"
                      "    {\"classname\": \"TestCanned\", \"name\": \"declined\"}\n"
                      "  ]\n"
                      "}\n");
    // The trailing "//" after text stays, so this file does not parse...
    EXPECT_EQ(brk_scanResultFromJSONIndentifier("T"), nullptr);
    EXPECT_EQ(brk_stripCommentLines("a\n  // x\nb // y\n//z"), "a\nb // y");
    // ...and without it, it does.
    home.fileWithText("BRKX/Tasks/T.json",
                      "{\n   // note\n  \"identifier\": \"T\", \"items\": [\n"
                      "    {\"classname\": \"TestCanned\", \"name\": \"http://a//b\", \"size\": 7},\n"
                      "    {\"classname\": \"Unknown\"}, {\"classname\": \"TestCanned\", \"name\": \"declined\"}]}\n");
    auto r = brk_scanResultFromJSONIndentifier("T");
    ASSERT_TRUE(r);
    ASSERT_EQ(r->items()->size(), 1u);
    EXPECT_EQ(r->items()->at(0)->value()->description(), "http://a//b");
    EXPECT_EQ(r->size(), 7u);
    EXPECT_EQ(brk_scanResultFromJSONIndentifier("missing"), nullptr);
    home.fileWithText("BRKX/Tasks/E.json", R"({"identifier": "E", "error": "bad", "items": [{"classname": "TestCanned", "size": 1}]})");
    auto e = brk_scanResultFromJSONIndentifier("E");
    ASSERT_TRUE(e && e->error());
    EXPECT_FALSE(e->items());
}
