#include "App/BVSortOrder.h"

#include <algorithm>

#include "App/BVResultPrinter.h"

std::optional<BVSortOrder> BVSortOrderNamed(const std::string& name) {
    if (name.empty()) return BVSortOrder::Found;
    if (name == "size") return BVSortOrder::Size;
    if (name == "name") return BVSortOrder::Name;
    return std::nullopt;
}

std::vector<BVEntityPtr> BVSorted(std::vector<BVEntityPtr> entities, BVSortOrder order, const BVPaths& paths) {
    if (order == BVSortOrder::Size) {
        std::stable_sort(entities.begin(), entities.end(), [](const auto& a, const auto& b) { return a->size() > b->size(); });
    } else if (order == BVSortOrder::Name) {
        std::vector<std::pair<std::string, BVEntityPtr>> named;
        for (auto& e : entities) named.emplace_back(BVResultPrinter::displayValue(e, paths), e);
        std::stable_sort(named.begin(), named.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (size_t i = 0; i < named.size(); ++i) entities[i] = named[i].second;
    }
    return entities;
}
