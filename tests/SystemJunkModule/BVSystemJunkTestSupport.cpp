#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"

#include <gtest/gtest.h>

#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"
#include "ScanningService/CoreScanning/BVURLRepresentableModel.h"

BVJunkFixture::BVJunkFixture(const std::vector<BVRuleRecord>& rules, BVLayout layout) {
    kb.paths = std::make_shared<const BVPaths>(layout, kb.paths->home(), kb.folder.folder("root"));
    kb.buildShipped(rules);
    base = kb.makeKnowledgeBase();
    BVPaths::setSharedInstance(kb.paths);
    BVKnowledgeBase::setSharedInstance(base);
}

BVJunkFixture::~BVJunkFixture() {
    BVKnowledgeBase::setSharedInstance(nullptr);
    BVPaths::setSharedInstance(nullptr);
}

std::shared_ptr<BVKnowledgeBaseWrapper> BVJunkFixture::handle(BVScannerIdentifier scanner) {
    return std::make_shared<BVKnowledgeBaseWrapper>(base, scanner, BVKnowledgeBaseProvider::defaultScopeByIdentifier(scanner),
                                                    &kb.center);
}

const BVEnvironment& BVJunkFixture::environment() {
    if (!env) {
        env = BVEnvironmentServices::make(kb.paths);
        env->knowledgeBase = base;
    }
    return *env;
}

std::string BVJunkFixture::file(const std::string& relative, uint64_t bytes) const {
    return kb.folder.file("home/" + relative, bytes);
}

std::string BVEntityPath(const BVEntityPtr& entity) {
    if (auto representable = std::dynamic_pointer_cast<BVURLRepresentableModel>(entity))
        if (auto url = representable->fileURL()) return url->path();
    return {};
}

std::vector<std::string> BVItemTexts(const BVScanResultPtr& result) {
    std::vector<std::string> texts;
    for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{})) {
        std::string path = BVEntityPath(item);
        texts.push_back(path.empty() ? item->value()->description() : path);
    }
    return texts;
}

std::vector<std::string> BVGroupSummary(const BVScanResultPtr& result, const std::string& home) {
    std::vector<std::string> summary;
    for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{})) {
        std::string line = item->value()->description() + ":";
        auto tree = std::dynamic_pointer_cast<BVTreeEntity>(item);
        for (const auto& child : tree ? tree->children() : std::vector<BVEntityPtr>{}) {
            std::string path = BVEntityPath(child);
            if (path.compare(0, home.size() + 1, home + "/") == 0) path = "~/" + path.substr(home.size() + 1);
            line += " " + path;
        }
        summary.push_back(line);
    }
    return summary;
}
