// What `brenvik clean` would remove: the preselection adjusted by include and exclude globs,
// written in any spelling of a path; and which rules matched nothing.
#include <gtest/gtest.h>

#include "App/BVCleanSelection.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "ScanningService/CoreScanning/BVScanResult.h"

namespace {

class Task : public BVScanTask {
public:
    std::string identifier() const override { return "T"; }
    BVScanResultPtr scan() override { return nullptr; }
};

std::vector<std::string> names(const std::vector<BVEntityPtr>& units) {
    std::vector<std::string> out;
    for (const auto& u : units) out.push_back(u->value()->description());
    return out;
}

}  // namespace

TEST(BVCleanSelection, StartsFromThePreselectionAndAppliesGlobs) {
    BVPaths paths(BVLayout::linux, "/home/u");
    auto full = BVFileURLSequenceModel::sequenceWithPath("/home/u/.cache/full", true);
    full->addChild(BVFileModel::modelWithPath("/home/u/.cache/full/a", 1, true));
    full->addChild(BVFileModel::modelWithPath("/home/u/.cache/full/b", 1, true));
    auto partial = BVFileURLSequenceModel::sequenceWithPath("/home/u/.cache/partial", true);
    partial->addChild(BVFileModel::modelWithPath("/home/u/.cache/partial/yes", 1, true));
    partial->addChild(BVFileModel::modelWithPath("/home/u/.cache/partial/no.log", 1, false));
    auto loose = BVFileModel::modelWithPath("/home/u/.cache/loose", 1, false);
    // A group holding nothing (an empty trash) is never something to remove.
    auto empty = std::make_shared<BVFileURLSequenceModel>(BVURL::fileURLWithPath("/", true), uint64_t(0), true);
    std::vector<BVTaskOutcomeRecord> outcomes{
        {std::make_shared<Task>(), BVScanResult::resultWithIdentifier("T", std::vector<BVEntityPtr>{full, partial, loose, empty})}};

    struct Case {
        BVCleanSelectionRules rules;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {{}, {"/home/u/.cache/full", "/home/u/.cache/partial/yes"}},
        // Including the unselected child completes its group, which then goes as a whole.
        {{{"*.log"}, {}}, {"/home/u/.cache/full", "/home/u/.cache/partial"}},
        // An ancestor's match reaches its children; excludes win over the preselection.
        {{{"~/.cache/loose"}, {"~/.cache/full"}}, {"/home/u/.cache/partial/yes", "/home/u/.cache/loose"}},
        {{{}, {"/home/u/.cache/full/a"}}, {"/home/u/.cache/full/b", "/home/u/.cache/partial/yes"}},
        {{{}, {"*"}}, {}},
        // Every spelling of one path excludes it.
        {{{}, {"~/.cache/full/"}}, {"/home/u/.cache/partial/yes"}},
        {{{}, {"~//.cache/./full"}}, {"/home/u/.cache/partial/yes"}},
        {{{}, {"/home/u/.cache/../.cache/full"}}, {"/home/u/.cache/partial/yes"}},
        // A module of the user's own files: only includes choose.
        {{{}, {}, false}, {}},
        {{{"~/.cache/full/a"}, {}, false}, {"/home/u/.cache/full/a"}},
    };
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(names(BVSelectEntities(outcomes, cases[i].rules, paths).entities), cases[i].expected) << i;

    // Rules that name nothing are reported as given; an exclude inside a chosen item is kept
    // there instead of being dropped.
    auto selection = BVSelectEntities(
        outcomes, {{"~/.cache/nothing*", "*.log"}, {"~/.cache/full/a/inner.dat", "~/elsewhere", "~/.cache/partial/yes/*.tmp"}}, paths);
    EXPECT_EQ(selection.unmatchedIncludes, std::vector<std::string>{"~/.cache/nothing*"});
    EXPECT_EQ(selection.unmatchedExcludes, std::vector<std::string>{"~/elsewhere"});
    EXPECT_EQ(selection.excludesInside,
              (std::vector<std::string>{"/home/u/.cache/full/a/inner.dat", "/home/u/.cache/partial/yes/*.tmp"}));
}
