// Scan output: the runner keeps task order, and the JSON and tree forms carry the contract.
#include <gtest/gtest.h>

#include "App/BVResultPrinter.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "App/BVScanRunner.h"
#include "Foundation/BVJSONCodec.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"
#include "ScanningService/CoreScanning/BVURLRepresentableModel.h"
#include "tests/CoreScanning/BVScanTestTasks.h"

namespace {

class FileLeaf : public BVEntity, public BVURLRepresentableModel {
    BV_ENTITY_CLASS(FileLeaf)
public:
    FileLeaf(BVObjectPtr value, uint64_t size, bool autoselected) : BVEntity(std::move(value), size, autoselected) {}
    BVURLPtr fileURL() const override { return std::dynamic_pointer_cast<const BVURL>(value()); }
    BVRemovalResultPtr remove() override { return BVRemovalResult::emptyResultWithModel(shared_from_this()); }
};

class FixedTask : public BVScanTask {
public:
    FixedTask(std::string id, BVScanResultPtr result) : id_(std::move(id)), result_(std::move(result)) {}
    std::string identifier() const override { return id_; }
    BVScanResultPtr scan() override { return result_; }

private:
    std::string id_;
    BVScanResultPtr result_;
};

}  // namespace

TEST(BVResultPrinter, WritesTheContractsJSONAndATreeInTaskOrder) {
    auto group = std::make_shared<BVGroupedSequenceModel>(BVValueObject::with(BVValue("com.vendor.app")), true);
    group->addChild(BVEntity::model<FileLeaf>(BVURL::fileURLWithPath("/home/u/.cache/app/a"), 4000, true));
    group->addChild(BVEntity::model<FileLeaf>(BVURL::fileURLWithPath("/home/u/.cache/app/b\xff"), 1000, false));
    auto withItems = BVScanResult::resultWithIdentifier("Items", std::vector<BVEntityPtr>{group});
    auto withError = BVScanResult::resultWithIdentifier("Broken", BVError::withDescription("D", 5, "it broke"));
    std::vector<BVScanTaskPtr> tasks = {std::make_shared<BVSteppingTask>("Slow", 30),
                                        std::make_shared<FixedTask>("Items", withItems),
                                        std::make_shared<FixedTask>("Broken", withError)};
    BVScanRunner runner;
    BVModuleScan scan{"test-module", "Test Module", nullptr, runner.run("test-module", tasks)};
    ASSERT_EQ(scan.outcomes.size(), 3u);
    EXPECT_EQ(scan.outcomes[0].task->identifier(), "Slow");  // finished last, listed first

    auto doc = BVJSONCodec::decode(BVJSONCodec::encode(BVResultPrinter::scanJSON(scan)));
    ASSERT_TRUE(doc);
    EXPECT_EQ((*doc)["module"].stringValue(), "test-module");
    const auto& results = (*doc)["results"].arrayValue();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0]["items"].arrayValue().size(), 30u);
    const auto& item = results[1]["items"].arrayValue().at(0);
    EXPECT_EQ(item["class"].stringValue(), "BVGroupedSequenceModel");
    EXPECT_EQ(item["value"].stringValue(), "com.vendor.app");
    EXPECT_TRUE(item["path"].isNull());
    EXPECT_EQ(item["size"].uint64Value(), 5000u);
    EXPECT_EQ(item["autoselectedSize"].uint64Value(), 4000u);
    const auto& leaf = item["children"].arrayValue().at(0);
    EXPECT_EQ(leaf["path"].stringValue(), "/home/u/.cache/app/a");
    EXPECT_TRUE(leaf["autoselected"].boolValue());
    EXPECT_EQ(results[1]["selectedSize"].uint64Value(), 4000u);
    EXPECT_TRUE(results[1]["error"].isNull());
    EXPECT_EQ(results[2]["error"]["code"].int64Value(), 5);
    EXPECT_EQ(results[2]["error"]["description"].stringValue(), "it broke");

    // The text: sizes right-aligned in one column, the task's display name (its identifier
    // when the module names none), the error in words, and a total.
    BVPaths paths(BVLayout::linux, "/home/u");
    BVOutputStyle plain;
    std::string tree = BVResultPrinter::scanText(scan, paths, {}, plain);
    EXPECT_NE(tree.find("  5 KB    [-] com.vendor.app\n"), std::string::npos) << tree;
    EXPECT_NE(tree.find("  4 KB      [x] ~/.cache/app/a\n"), std::string::npos) << tree;
    EXPECT_NE(tree.find("        Broken: it broke\n"), std::string::npos) << tree;
    EXPECT_NE(tree.find("total, "), std::string::npos) << tree;
    std::string shallow = BVResultPrinter::scanText(scan, paths, {1, 50}, plain);
    EXPECT_NE(shallow.find("(2 items)"), std::string::npos) << shallow;
    BVResultPrinter::TreeOptions bySize{2, 50, BVSortOrder::Size};
    std::string sorted = BVResultPrinter::scanText(scan, paths, bySize, BVOutputStyle{false, true});
    EXPECT_LT(sorted.find("~/.cache/app/a"), sorted.find("~/.cache/app/b"));
    EXPECT_NE(sorted.find("  4000      [x] ~/.cache/app/a\n"), std::string::npos) << sorted;
}

TEST(BVOutputStyle, ColourOnlyWhenWantedAndCountsInWords) {
    struct Case {
        BVColorWhen when;
        bool json, terminal;
        const char *noColor, *term;
        bool expected;
    };
    const std::vector<Case> cases = {
        {BVColorWhen::Auto, false, true, nullptr, "xterm", true},
        {BVColorWhen::Auto, false, false, nullptr, "xterm", false},   // a pipe or a file
        {BVColorWhen::Auto, false, true, "1", "xterm", false},       // NO_COLOR
        {BVColorWhen::Auto, false, true, "", "xterm", true},         // set but empty: ignored
        {BVColorWhen::Auto, false, true, nullptr, "dumb", false},
        {BVColorWhen::Always, false, false, "1", "dumb", true},
        {BVColorWhen::Always, true, true, nullptr, "xterm", false},  // never in JSON
        {BVColorWhen::Never, false, true, nullptr, "xterm", false},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        EXPECT_EQ(BVOutputStyle::wantsColour(c.when, c.json, c.terminal, c.noColor, c.term), c.expected) << "case " << i;
    }
    EXPECT_EQ((BVOutputStyle{true, false}.ticked("[x]")), "\033[32m[x]\033[0m");
    EXPECT_EQ(BVOutputStyle{}.failure("failed"), "failed");
    EXPECT_EQ(BVCountOf(1, "item"), "1 item");
    EXPECT_EQ(BVCountOf(2, "item"), "2 items");
    EXPECT_EQ(BVCountOf(0, "entry", "entries"), "0 entries");
}
