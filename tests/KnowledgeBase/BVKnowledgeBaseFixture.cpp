#include "tests/KnowledgeBase/BVKnowledgeBaseFixture.h"

#include <gtest/gtest.h>

#include "Foundation/BVFileIO.h"

BVRuleRecord BVRule(int64_t type, std::string value, uint64_t scanner, bool regex) {
    BVRuleRecord rule;
    rule.itemType = type;
    rule.value = std::move(value);
    rule.scanner = scanner;
    rule.isRegex = regex;
    rule.reason = "test";
    return rule;
}

std::vector<BVTypeRecord> BVShippedTypes() {
    std::string text, error;
    std::vector<BVTypeRecord> types;
    EXPECT_TRUE(BVFileIO::readFile(BRENVIK_KB_DATA_DIR "/Types.kb", text, 1 << 20, &error)) << error;
    EXPECT_TRUE(BVRuleSource::parseTypes(text, "Types.kb", types, &error)) << error;
    return types;
}

BVKnowledgeBaseFixture::BVKnowledgeBaseFixture() {
    paths = std::make_shared<const BVPaths>(BVLayout::linux, folder.folder("home"));
    shippedPath = folder / "bin/info.brkkb";
    folder.folder("bin");
}

void BVKnowledgeBaseFixture::buildShipped(const std::vector<BVRuleRecord>& rules, const std::string& version,
                                          const BVMalwareSource& malware) {
    std::string error;
    ASSERT_TRUE(BVKnowledgeBaseBuilder::build(shippedPath, version, BVShippedTypes(), rules, &error, {}, malware)) << error;
}

void BVKnowledgeBaseFixture::buildOverride(const std::vector<BVRuleRecord>& rules, const std::string& version) {
    std::string error;
    ASSERT_TRUE(BVFileIO::createDirectories(paths->knowledgeBaseFolder(), &error)) << error;
    std::string path = BVFileIO::appendPathComponent(paths->knowledgeBaseFolder(), "info.brkkb");
    ASSERT_TRUE(BVKnowledgeBaseBuilder::build(path, version, BVShippedTypes(), rules, &error)) << error;
}

std::shared_ptr<BVKnowledgeBase> BVKnowledgeBaseFixture::makeKnowledgeBase(const std::string& explicitPath) {
    BVKnowledgeBaseConfiguration configuration;
    configuration.paths = paths;
    configuration.shippedDatabaseCandidates = {shippedPath};
    configuration.notificationCenter = &center;
    return std::make_shared<BVKnowledgeBase>(configuration, explicitPath);
}
