#include "PrivilegedOperationsPerformer/BVAgentJobDescription.h"

#include <gtest/gtest.h>

#include "Foundation/BVFileIO.h"
#include "tests/fixtures/BVTemporaryFolder.h"

TEST(BVAgentJobDescription, BothLayoutsReadBackTheProgramArgumentsTheyWrote) {
    BVTemporaryFolder folder;
    const std::vector<std::string> program = {"/opt/a b/agent", "serve", "--home", "/home/o'neil \"x\"\\y", "100%h $HOME", ""};
    for (BVLayout layout : {BVLayout::linux, BVLayout::macos}) {
        SCOPED_TRACE(BVPaths::layoutName(layout));
        std::string path = folder / ("job-" + BVPaths::layoutName(layout));
        auto job = BVAgentJobDescription::jobDictionary("com.example.agent", program);
        ASSERT_TRUE(BVFileIO::writeFileAtomically(path, BVAgentJobDescription::encode(layout, job)));
        auto read = BVAgentJobDescription::read(layout, "com.example.agent", path);
        ASSERT_TRUE(read);
        EXPECT_EQ(BVValue(*read), BVValue(job));
    }
    // A property list for another label is not our job; a missing file is none.
    EXPECT_FALSE(BVAgentJobDescription::read(BVLayout::macos, "com.example.other", folder / "job-macos"));
    EXPECT_FALSE(BVAgentJobDescription::read(BVLayout::linux, "com.example.agent", folder / "missing"));
}

TEST(BVAgentJobDescription, TheVersionIsReadFromTheMarkerNotFromTheSearchText) {
    BVTemporaryFolder folder;
    struct Case {
        std::string bytes;
        std::optional<std::string> version;
    };
    const std::string marker = "BVAgentBundleVersion=";
    const std::vector<Case> cases = {
        {"\x7f" "ELF..." + marker + std::string(1, '\0') + "..." + marker + "4.2.0b3" + std::string(1, '\0'), "4.2.0b3"},
        {marker + "1.0", std::nullopt},                                  // not terminated
        {marker + "1.0;rm" + std::string(1, '\0'), std::nullopt},        // not a version
        {"no marker at all", std::nullopt},
    };
    for (const auto& c : cases) {
        std::string path = folder.fileWithText("tool", c.bytes);
        EXPECT_EQ(BVAgentJobDescription::bundleVersionOfToolAtPath(path), c.version) << c.bytes;
    }
    EXPECT_EQ(BVAgentJobDescription::bundleVersionOfToolAtPath(BRENVIK_AGENT_PATH), BRENVIK_PROJECT_VERSION);
}
