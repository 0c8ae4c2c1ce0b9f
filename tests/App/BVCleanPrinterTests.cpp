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

    std::string text = BVCleanPrinter::cleanText(clean, paths);
    // A folder that stays, emptied, says so.
    EXPECT_NE(text.find("partly emptied  ~/.cache/app  700 bytes freed\n"
                        "    failed  ~/.cache/app/locked\n"
                        "      error: in use\n"
                        "  removed  ~/.local/state/x.log  50 bytes freed\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("1 item not (fully) removed"), std::string::npos) << text;

    // A group without a path of its own is listed as what it holds.
    auto group = std::make_shared<BVGroupedSequenceModel>(BVValueObject::with(BVValue("/")), true);
    group->addChild(gone);
    group->addChild(kept);
    EXPECT_EQ(BVCleanPrinter::selectionText({group, log}, paths),
              "  remove  ~/.cache/app/data  700 bytes\n  remove  ~/.cache/app/locked  300 bytes\n  remove  ~/.local/state/x.log  50 bytes\n"
              "3 items, 1 KB\n");
    // What the user keeps inside an item is named under it; an item emptied in place says so.
    BVKeepRule keep({"/home/u/.cache/app/data/mine"}, {"/home/u/.cache/other/*"});
    EXPECT_EQ(BVCleanPrinter::selectionText({gone, folder}, paths, &keep),
              "  remove  ~/.cache/app/data  700 bytes\n            keeps ~/.cache/app/data/mine\n"
              "  empty   ~/.cache/app  Zero KB\n            keeps ~/.cache/app/data/mine\n2 items, 700 bytes\n");

    BVModuleClean nothing{"trash", {}};
    EXPECT_EQ(BVCleanPrinter::state(nothing), uint64_t(BVRemovalStateSucceeded));
}
