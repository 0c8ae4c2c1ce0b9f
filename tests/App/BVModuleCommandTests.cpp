// `brenvik scan large-files|trash` end to end on fixture homes of both layouts: what is found,
// the JSON document, the review groups, and usage errors.
#include <gtest/gtest.h>
#include <unistd.h>

#include <set>

#include "Foundation/BVFileManager.h"
#include "Foundation/BVJSONCodec.h"
#include "tests/fixtures/BVTemporaryFolder.h"
#include "tests/fixtures/BVCommandRun.h"

namespace {

using CommandRun = BVCommandRun;

CommandRun brenvik(std::vector<std::string> arguments, const std::string& home, const std::string& layout) {
    arguments.insert(arguments.end(), {"--home", home, "--layout", layout, "--no-progress"});
    return BVRunBrenvik(arguments);
}

BVValue json(const CommandRun& r) {
    std::string error;
    auto doc = BVJSONCodec::decode(r.out, &error);
    EXPECT_TRUE(doc) << error << "\n" << r.out << r.err;
    return doc.value_or(BVValue());
}

void sparse(const BVTemporaryFolder& home, const std::string& relative, uint64_t size) {
    ASSERT_EQ(::truncate(home.file(relative).c_str(), off_t(size)), 0);
}

std::set<std::string> paths(const BVValue& items, const std::string& home) {
    std::set<std::string> out;
    for (const auto& e : items.arrayValue()) out.insert(e["path"].stringValue().substr(home.size()));
    return out;
}

}  // namespace

TEST(BrenvikModules, LargeFilesOnBothLayouts) {
    BVTemporaryFolder home;
    sparse(home, "Downloads/exact.iso", 52428800);
    sparse(home, "Downloads/one-more.iso", 52428801);
    sparse(home, "Movies/clip.mov", 600000000);
    sparse(home, "Library/Caches/huge.bin", 2000000000);
    sparse(home, "Tools/Big.app/Contents/MacOS/Big", 90000000);
    const std::pair<const char*, std::set<std::string>> layouts[] = {
        {"macos", {"/Downloads/one-more.iso", "/Movies/clip.mov"}},
        {"linux", {"/Downloads/one-more.iso", "/Movies/clip.mov", "/Library/Caches/huge.bin"}},
    };
    for (const auto& [layout, expected] : layouts) {
        CommandRun r = brenvik({"scan", "large-files", "--json", "--group", "kind"}, home.path(), layout);
        ASSERT_EQ(r.status, 0) << r.err;
        BVValue doc = json(r);
        EXPECT_EQ(doc["module"].stringValue(), "large-files");
        const BVValue& result = doc["results"].arrayValue().at(0);
        EXPECT_EQ(result["identifier"].stringValue(), "BVLAOFScanIdentifierMain");
        EXPECT_EQ(paths(result["items"], home.path()), expected) << layout;
        EXPECT_EQ(result["items"].arrayValue().at(0)["class"].stringValue(), "BVLAOFFileModel");
        std::map<std::string, uint64_t> counts;
        for (const auto& g : doc["groups"]["groups"].arrayValue()) counts[g["key"].stringValue()] = g["count"].uint64Value();
        EXPECT_EQ(counts["FilterText_AllFiles"], expected.size());
        EXPECT_EQ(counts["FilterText_Movies"], 1u);
        EXPECT_EQ(counts["FilterText_Archives"], 1u);  // the disk image
    }
    CommandRun text = brenvik({"scan", "large-files", "--group", "size"}, home.path(), "macos");
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("By Size:\n  Small: 1 file, 52.4 MB\n    ~/Downloads/one-more.iso\n  Average: 1 file, 600 MB"),
              std::string::npos)
        << text.out;
    EXPECT_EQ(brenvik({"scan", "large-files", "--group", "colour"}, home.path(), "macos").status, 2);
    EXPECT_EQ(brenvik({"scan", "trash", "--group", "kind"}, home.path(), "macos").status, 2);
}

TEST(BrenvikModules, TrashOnBothLayoutsAndInSmartScan) {
    BVTemporaryFolder home;
    home.file(".Trash/old.doc", 3000);
    home.file("Library/Mobile Documents/com~apple~Numbers/Documents/.Trash/sheet.numbers", 10);
    home.file(".local/share/Trash/files/photo.png", 4000);
    home.fileWithText(".local/share/Trash/info/photo.png.trashinfo", "[Trash Info]\nPath=/home/x/photo.png\n");
    const std::pair<const char*, std::set<std::string>> layouts[] = {
        {"macos", {"/.Trash/old.doc", "/Library/Mobile Documents/com~apple~Numbers/Documents/.Trash/sheet.numbers"}},
        {"linux", {"/.local/share/Trash/files/photo.png"}},
    };
    for (const auto& [layout, expected] : layouts) {
        CommandRun r = brenvik({"scan", "trash", "--json"}, home.path(), layout);
        ASSERT_EQ(r.status, 0) << r.err;
        BVValue doc = json(r);
        const BVValue& result = doc["results"].arrayValue().at(0);
        EXPECT_EQ(result["identifier"].stringValue(), "BVTrashBinScanIdentifierTrashes");
        const BVValue& group = result["items"].arrayValue().at(0);
        EXPECT_EQ(group["path"].stringValue(), "/");
        EXPECT_EQ(paths(group["children"], home.path()), expected) << layout;
        EXPECT_EQ(result["selectedSize"].uint64Value(), result["size"].uint64Value());
        EXPECT_GT(result["size"].uint64Value(), 0u);
    }
    BVValue smart = json(brenvik({"smart-scan", "--json"}, home.path(), "linux"));
    const BVValue& cleanup = smart["sections"].arrayValue().at(0);
    EXPECT_EQ(cleanup["section"].stringValue(), "cleanup");
    std::set<std::string> modules;
    for (const auto& m : cleanup["modules"].arrayValue()) modules.insert(m["module"].stringValue());
    EXPECT_TRUE(modules.count("trash"));
    EXPECT_FALSE(modules.count("large-files"));
}

TEST(BrenvikModules, CleanTrashRemovesItemsAndRecordsAndReports) {
    BVTemporaryFolder home;
    home.file(".local/share/Trash/files/a.bin", 5000);
    home.file(".local/share/Trash/files/Folder/in.txt", 100);
    home.fileWithText(".local/share/Trash/info/a.bin.trashinfo", "[Trash Info]\nPath=/x/a.bin\n");
    home.fileWithText(".local/share/Trash/info/Folder.trashinfo", "[Trash Info]\nPath=/x/Folder\n");
    std::string kept = home.file("Documents/keep.txt", 10);

    uint64_t selected =
        json(brenvik({"scan", "trash", "--json"}, home.path(), "linux"))["results"].arrayValue().at(0)["selectedSize"].uint64Value();
    CommandRun r = brenvik({"clean", "trash", "--yes", "--json"}, home.path(), "linux");
    EXPECT_EQ(r.status, 0) << r.err;
    BVValue doc = json(r);
    EXPECT_EQ(doc["module"].stringValue(), "trash");
    EXPECT_EQ(doc["state"].uint64Value(), 1u);
    EXPECT_EQ(doc["cleanedSize"].uint64Value(), selected);
    EXPECT_GT(selected, 5000u);
    for (const char* gone : {"files/a.bin", "files/Folder", "info/a.bin.trashinfo", "info/Folder.trashinfo"})
        EXPECT_FALSE(BVFileManager::defaultManager()->fileExistsAtPath(home / (std::string(".local/share/Trash/") + gone))) << gone;
    EXPECT_TRUE(BVFileManager::defaultManager()->isDirectoryAtPath(home / ".local/share/Trash/files"));
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(kept));

    // An empty trash afterwards: nothing found, nothing to clean, success.
    BVValue scan = json(brenvik({"scan", "trash", "--json"}, home.path(), "linux"));
    EXPECT_EQ(scan["results"].arrayValue().at(0)["size"].uint64Value(), 0u);
    EXPECT_EQ(brenvik({"clean", "trash", "--yes"}, home.path(), "linux").status, 0);
}
