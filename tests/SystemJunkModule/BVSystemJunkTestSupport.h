// Shared by the System Junk suites: a real knowledge base on a fixture home (rules given by
// the test), per-scanner handles on it, and readers of the entity trees a scan produced.
#pragma once

#include <string>
#include <vector>

#include "Foundation/BVEnvironment.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "ScanningService/CoreScanning/BVScanResult.h"
#include "tests/KnowledgeBase/BVKnowledgeBaseFixture.h"

struct BVJunkFixture {
    BVKnowledgeBaseFixture kb;
    std::shared_ptr<BVKnowledgeBase> base;
    std::shared_ptr<BVEnvironment> env;

    // Builds the shipped database from `rules` and opens it on a fixture home and root of the
    // layout; the paths and the knowledge base become the shared ones.
    explicit BVJunkFixture(const std::vector<BVRuleRecord>& rules = {}, BVLayout layout = BVLayout::linux);
    ~BVJunkFixture();
    std::shared_ptr<BVKnowledgeBaseWrapper> handle(BVScannerIdentifier scanner);
    // The environment of a run on this fixture: the real services on its paths, its knowledge base.
    const BVEnvironment& environment();
    std::string home() const { return kb.home(); }
    std::string root() const { return kb.folder / "root"; }
    // A file of `bytes` bytes below the home.
    std::string file(const std::string& relative, uint64_t bytes) const;
};

// The entity's file path, or "" when it has none.
std::string BVEntityPath(const BVEntityPtr& entity);
// The paths of a result's top-level items (their value text for items without a path).
std::vector<std::string> BVItemTexts(const BVScanResultPtr& result);
// "group: path, path" per group of a cache result, paths shown relative to `home`.
std::vector<std::string> BVGroupSummary(const BVScanResultPtr& result, const std::string& home);
