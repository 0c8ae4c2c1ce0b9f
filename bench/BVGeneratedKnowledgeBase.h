// A generated knowledge base for the benchmarks: a temporary home, an application database of
// `plainRules` plain rules and `expressionRules` regular-expression rules spread over the
// system-junk scanners, and the paths that hit and miss them. The folder is removed on exit.
#pragma once

#include <memory>
#include <string>

#include "KnowledgeBase/BVKnowledgeBase.h"

struct BVGeneratedKnowledgeBase {
    BVGeneratedKnowledgeBase(size_t plainRules, size_t expressionRules);
    ~BVGeneratedKnowledgeBase();

    std::string folder;
    std::shared_ptr<BVKnowledgeBase> knowledgeBase;
    std::string plainHit, miss, expressionHit, unprefixedExpressionHit;
    BVScannerIdentifier scanner = 10;
};
