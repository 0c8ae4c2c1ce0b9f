#include "KnowledgeBase/BVScannerIdentifiers.h"

#include <map>
#include <mutex>
#include <vector>

#include "Foundation/BVLogger.h"

namespace BVScannerIdentifiers {
namespace {

const std::map<BVScannerIdentifier, std::vector<BVScannerIdentifier>>& groups() {
    static const std::map<BVScannerIdentifier, std::vector<BVScannerIdentifier>> table = {
        {1000001, {9, 10, 26, 27, 6, 7, 22, 30, 11, 5, 39, 3, 61, 73, 74, 76}},
        {1000002, {24}},
        {1000003, {21, 67, 68}},
        {1000004, {40}},
        {1000005, {36, 20, 37, 38, 66}},
        {1000006, {23, 28, 29, 42, 43, 69, 71}},
        {1000007, {1, 2}},
        {1000008, {59, 60, 58, 57, 54, 55, 56}},
        {1000009, {49, 50, 51, 52, 48, 47, 62}},
        {1000010, {18, 16, 14, 19, 32, 34, 33, 35, 44, 17, 15}},
        {1000011, {10002, 10008, 10013, 10010, 10011, 10007}},
        {1000012, {10003, 10009, 10005, 10004}},
    };
    return table;
}

std::mutex memoLock;
std::map<BVScannerIdentifier, BVScannerSet> memo;

BVScannerSet expand(BVScannerIdentifier identifier, int depth) {
    auto group = groups().find(identifier);
    if (group == groups().end()) {
        BVLogger::warning(fmt::format("Could not normalize scanner identifier ({})", identifier));
        return {identifier};
    }
    BVScannerSet result;
    for (BVScannerIdentifier member : group->second) {
        // Members may be groups; the depth guard keeps a faulty table from recursing forever.
        if (isGroup(member) && depth < 8) {
            auto inner = expand(member, depth + 1);
            result.insert(inner.begin(), inner.end());
        } else {
            result.insert(member);
        }
    }
    return result;
}

}  // namespace

bool isGroup(BVScannerIdentifier identifier) { return identifier >= 1000000 && identifier <= 2000000; }

BVScannerSet normalize(BVScannerIdentifier identifier) {
    if (!isGroup(identifier)) return {identifier};
    std::lock_guard<std::mutex> lock(memoLock);
    auto found = memo.find(identifier);
    if (found != memo.end()) return found->second;
    auto expanded = expand(identifier, 0);
    memo.emplace(identifier, expanded);
    return expanded;
}

BVScannerSet normalize(const BVScannerSet& identifiers) {
    BVScannerSet result;
    for (BVScannerIdentifier identifier : identifiers) {
        auto one = normalize(identifier);
        result.insert(one.begin(), one.end());
    }
    return result;
}

BVScannerSet identifiersForOldScannerMask(uint64_t mask) {
    if (mask == BVAllScannersIdentifier) return {BVAllScannersIdentifier};
    BVScannerSet result;
    for (unsigned bit = 0; bit < 64; ++bit) {
        if (!(mask & (uint64_t(1) << bit))) continue;
        if (bit == 0) result.insert(1);
        else if (bit == 1) result.insert(2);
        else if (bit <= 33) result.insert(bit + 1);
        else if (bit == 38) result.insert(39);
        else if (bit == 57) result.insert(10006);
        else if (bit == 58) result.insert(10001);
        else if (bit == 59) result.insert(10007);
        else if (bit == 60) result.insert(10004);
        else if (bit == 61) result.insert(10003);
        else if (bit == 62) result.insert(10000);
    }
    return result;
}

uint64_t defaultScopeByIdentifier(BVScannerIdentifier identifier) {
    switch (identifier) {
    case 5: case 7: return 9;
    case 6: case 22: case 39: return 8;
    case 8: case 9: return 25;
    case 10: case 24: return 29;
    case 61: case 73: return 24;
    case 67: case 78: return 16;
    default: return 25;
    }
}

std::string scannerCondition(const BVScannerSet& identifiers) {
    if (identifiers.count(BVAllScannersIdentifier)) return "(1)";
    std::string condition = "(Item.Scanner = " + std::to_string(BVAllScannersIdentifier);
    for (BVScannerIdentifier identifier : identifiers) condition += " OR Item.Scanner = " + std::to_string(identifier);
    return condition + ")";
}

std::string removalScannerCondition(const BVScannerSet& identifiers) {
    std::string condition;
    for (BVScannerIdentifier identifier : identifiers) {
        if (!condition.empty()) condition += " OR ";
        condition += "Item.Scanner = " + std::to_string(identifier);
    }
    return condition.empty() ? "0" : "(" + condition + ")";
}

bool moduleIdentifierForName(const std::string& module, BVScannerIdentifier& identifier) {
    static const std::map<std::string, BVScannerIdentifier> modules = {
        {"system-junk", 1000001}, {"photos", 1000003},      {"media-library", 1000005}, {"mail", 1000004},
        {"malware", 78},          {"uninstaller", 1000007}, {"updater", 79},            {"large-files", 1000002},
    };
    auto found = modules.find(module);
    if (found == modules.end()) return false;
    identifier = found->second;
    return true;
}

}  // namespace BVScannerIdentifiers
