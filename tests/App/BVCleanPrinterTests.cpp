// The clean report: the contract's JSON (sizes, states, errors per entity, children) and the
// text form, which lists failures under their parent and says what was freed.
#include <gtest/gtest.h>

#include "App/BVCleanPrinter.h"
#include "Foundation/BVJSONCodec.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"

TEST(BVCleanPrinter, ReportsEveryEntityWithItsStateAndErrors) {
    BVPaths paths(BVLayout::linux, "/home/u");
    auto folder = BVFolderModel::modelWithPath("/home/u/.cache/app", 0, true);
    auto kept = BVFileModel::modelWithPath("/home/u/.cache/app/locked", 300, true);
    auto gone = BVFileModel::modelWithPath("/home/u/.cache/app/data", 700, true);
    auto folderResult = BVRemovalResult::emptyResultWithModel(folder);
    folderResult->addChild(BVRemovalResult::successfulResultWithModel(gone));
    folderResult->addChild(BVRemovalResult::failedResultWithModel(kept, BVError::withDescription("BVEntityErrorDomain", -12, "in use")));
    auto log = BVFileModel::modelWithPath("/home/u/.local/state/x.log", 50, true);
    BVModuleClean clean{"system-junk", {folderResult, BVRemovalResult::successfulResultWithModel(log)}};

    EXPECT_EQ(BVCleanPrinter::cleanedSize(clean), 750u);
    EXPECT_EQ(BVCleanPrinter::state(clean), uint64_t(BVRemovalStatePartlySucceeded));
    auto json = BVCleanPrinter::cleanJSON(clean);
    EXPECT_EQ(BVJSONCodec::encode(json["results"].arrayValue()[0]["children"].arrayValue()[1]),
              R"({"children":[],"class":"BVFileModel","errors":[{"code":-12,"description":"in use","domain":"BVEntityErrorDomain"}],)"
              R"("path":"/home/u/.cache/app/locked","size":0,"state":2,"value":"/home/u/.cache/app/locked"})");
    EXPECT_EQ(json["results"].arrayValue()[0]["state"].uint64Value(), 3u);
    EXPECT_EQ(json["state"].uint64Value(), 3u);
    EXPECT_EQ(json["cleanedSize"].uint64Value(), 750u);

    // Sizes freed in one right-aligned column, failures under their parent, and the total.
    BVOutputStyle plain;
    EXPECT_EQ(BVCleanPrinter::cleanText(clean, paths, plain),
              "  700 bytes  partly emptied  ~/.cache/app\n"
              "               failed  ~/.cache/app/locked\n"
              "                 error: in use\n"
              "   50 bytes  removed  ~/.local/state/x.log\n"
              "  750 bytes  freed in total; 1 item not (fully) removed\n");
    BVModuleClean stopped{"system-junk", {BVRemovalResult::successfulResultWithModel(log)}, true};
    EXPECT_EQ(BVCleanPrinter::cleanText(stopped, paths, BVOutputStyle{false, true}),
              "  50  removed  ~/.local/state/x.log\n"
              "  50  freed in total; stopped before the rest\n");
    EXPECT_TRUE(BVCleanPrinter::cleanJSON(stopped)["cancelled"].boolValue());

    // A group without a path of its own is listed as what it holds.
    auto group = std::make_shared<BVGroupedSequenceModel>(BVValueObject::with(BVValue("/")), true);
    group->addChild(gone);
    group->addChild(kept);
    EXPECT_EQ(BVCleanPrinter::selectionText({group, log}, paths, plain),
              "  700 bytes  remove  ~/.cache/app/data\n"
              "  300 bytes  remove  ~/.cache/app/locked\n"
              "   50 bytes  remove  ~/.local/state/x.log\n"
              "       1 KB  total, 3 items\n");
    EXPECT_EQ(BVCleanPrinter::selectionText({log, group}, paths, plain, BVSortOrder::Size),
              "  700 bytes  remove  ~/.cache/app/data\n"
              "  300 bytes  remove  ~/.cache/app/locked\n"
              "   50 bytes  remove  ~/.local/state/x.log\n"
              "       1 KB  total, 3 items\n");
    // What the user keeps inside an item is named under it; an item emptied in place says so.
    BVKeepRule keep({"/home/u/.cache/app/data/mine"}, {"/home/u/.cache/other/*"});
    EXPECT_EQ(BVCleanPrinter::selectionText({gone}, paths, plain, BVSortOrder::Found, &keep),
              "  700 bytes  remove  ~/.cache/app/data\n"
              "               keeps ~/.cache/app/data/mine\n"
              "  700 bytes  total, 1 item\n");
    EXPECT_EQ(BVCleanPrinter::selectionText({folder}, paths, plain, BVSortOrder::Found, &keep),
              "  Zero KB  empty   ~/.cache/app\n"
              "             keeps ~/.cache/app/data/mine\n"
              "  Zero KB  total, 1 item\n");

    BVModuleClean nothing{"trash", {}};
    EXPECT_EQ(BVCleanPrinter::state(nothing), uint64_t(BVRemovalStateSucceeded));
}
