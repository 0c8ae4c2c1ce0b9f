#include "bench/BVGeneratedKnowledgeBase.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "Foundation/BVFileIO.h"
#include "KnowledgeBase/BVKnowledgeBaseBuilder.h"

namespace {
// The system-junk scanners the rules are spread over.
const BVScannerIdentifier kScanners[] = {9, 10, 26, 27, 6, 7, 22, 30, 11, 5, 39, 3, 61, 73, 74, 76};
}

BVGeneratedKnowledgeBase::BVGeneratedKnowledgeBase(size_t plainRules, size_t expressionRules) {
    char pattern[] = "/tmp/brenvik-bench-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    folder = pattern;
    std::string home = folder + "/home";
    BVFileIO::createDirectories(home);
    auto paths = std::make_shared<const BVPaths>(BVLayout::linux, home);

    std::vector<BVRuleRecord> rules;
    rules.reserve(plainRules + expressionRules);
    const size_t scannerCount = std::size(kScanners);
    for (size_t i = 0; i < plainRules; ++i) {
        BVRuleRecord rule;
        rule.itemType = 3;
        rule.scanner = kScanners[i % scannerCount];
        rule.value = "~/.cache/vendor" + std::to_string(i / 50) + "/Application " + std::to_string(i);
        rules.push_back(std::move(rule));
    }
    for (size_t i = 0; i < expressionRules; ++i) {
        BVRuleRecord rule;
        rule.itemType = 3;
        rule.isRegex = true;
        rule.scanner = kScanners[i % scannerCount];
        // Nine in ten start with a literal folder, as path rules do; the rest may match anywhere.
        if (i % 10 != 1) rule.value = "~/\\.cache/tool" + std::to_string(i) + "/[^/]+\\.(tmp|part)";
        else rule.value = ".*/stale" + std::to_string(i) + "-[0-9a-f]{8}\\.log";
        rules.push_back(std::move(rule));
    }
    std::string error;
    std::string database = folder + "/info.brkkb";
    if (!BVKnowledgeBaseBuilder::build(database, "1.0", {}, rules, &error)) throw std::runtime_error(error);

    BVKnowledgeBaseConfiguration configuration;
    configuration.paths = paths;
    knowledgeBase = std::make_shared<BVKnowledgeBase>(configuration, database);
    // Rules whose index is 1 modulo 16 belong to scanner 10, the second of kScanners.
    plainHit = home + "/.cache/vendor0/Application 1";
    miss = home + "/.cache/vendor0/Application 1x";
    expressionHit = home + "/.cache/tool17/download.part";
    unprefixedExpressionHit = home + "/logs/stale1-0123abcd.log";
}

BVGeneratedKnowledgeBase::~BVGeneratedKnowledgeBase() {
    knowledgeBase.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
