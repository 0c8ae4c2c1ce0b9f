// A knowledge base on a temporary home: an application database built from rule records (the
// shipped copy), the user database created on first use, and a notification centre of its own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "KnowledgeBase/BVKnowledgeBase.h"
#include "KnowledgeBase/BVKnowledgeBaseBuilder.h"
#include "tests/fixtures/BVTemporaryFolder.h"

BVRuleRecord BVRule(int64_t type, std::string value, uint64_t scanner, bool regex = false);
// The FileType and AppType rows of the shipped sources.
std::vector<BVTypeRecord> BVShippedTypes();

struct BVKnowledgeBaseFixture {
    BVTemporaryFolder folder;
    std::shared_ptr<const BVPaths> paths;
    BVNotificationCenter center;
    std::string shippedPath;

    BVKnowledgeBaseFixture();
    std::string home() const { return paths->home(); }
    // Writes the shipped copy (replacing an earlier one), with malware tables when given.
    void buildShipped(const std::vector<BVRuleRecord>& rules, const std::string& version = "1.0",
                      const BVMalwareSource& malware = {});
    // Writes an override copy into the user's knowledge-base folder.
    void buildOverride(const std::vector<BVRuleRecord>& rules, const std::string& version);
    std::shared_ptr<BVKnowledgeBase> makeKnowledgeBase(const std::string& explicitPath = {});
};
