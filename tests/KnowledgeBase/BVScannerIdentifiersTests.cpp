// Scanner identifiers: groups, old scanner masks, default scopes and SQL conditions.
#include <gtest/gtest.h>

#include "KnowledgeBase/BVScannerIdentifiers.h"

using namespace BVScannerIdentifiers;

TEST(BVScannerIdentifiers, GroupsNormaliseToTheirMembers) {
    EXPECT_EQ(normalize(1000001).size(), 16u);
    EXPECT_TRUE(normalize(1000001).count(10));
    EXPECT_EQ(normalize(1000007), (BVScannerSet{1, 2}));
    EXPECT_EQ(normalize(10), BVScannerSet{10});
    EXPECT_EQ(normalize(1500000), BVScannerSet{1500000});  // in the group range, but no group
    EXPECT_EQ(normalize(BVScannerSet{1000004, 1000002, 40}), (BVScannerSet{24, 40}));
    EXPECT_EQ(normalize(BVAllScannersIdentifier), BVScannerSet{BVAllScannersIdentifier});
}

TEST(BVScannerIdentifiers, OldMasksMapBitByBit) {
    struct Case {
        uint64_t mask;
        BVScannerSet identifiers;
    } cases[] = {
        {0, {}},
        {1, {1}},
        {2, {2}},
        {uint64_t(1) << 9, {10}},
        {uint64_t(1) << 33, {34}},
        {uint64_t(1) << 34, {}},  // no entry for bit 34
        {uint64_t(1) << 38, {39}},
        {(uint64_t(1) << 57) | (uint64_t(1) << 62), {10006, 10000}},
        {536871952, {5, 11, 30}},
        {BVAllScannersIdentifier, {BVAllScannersIdentifier}},
    };
    for (const Case& c : cases) EXPECT_EQ(identifiersForOldScannerMask(c.mask), c.identifiers) << c.mask;
}

TEST(BVScannerIdentifiers, DefaultScopesAndConditions) {
    std::pair<BVScannerIdentifier, uint64_t> scopes[] = {{5, 9}, {6, 8}, {9, 25}, {10, 29}, {24, 29}, {61, 24}, {67, 16}, {78, 16}, {40, 25}};
    for (auto [identifier, scope] : scopes) EXPECT_EQ(defaultScopeByIdentifier(identifier), scope) << identifier;
    EXPECT_EQ(scannerCondition({BVAllScannersIdentifier, 3}), "(1)");
    EXPECT_EQ(scannerCondition({9, 10}), "(Item.Scanner = 9223372036854775807 OR Item.Scanner = 9 OR Item.Scanner = 10)");
    EXPECT_EQ(removalScannerCondition({9, 10}), "(Item.Scanner = 9 OR Item.Scanner = 10)");
    BVScannerIdentifier identifier = 0;
    EXPECT_TRUE(moduleIdentifierForName("media-library", identifier));
    EXPECT_EQ(identifier, 1000005u);
    EXPECT_FALSE(moduleIdentifierForName("trash", identifier));
}
