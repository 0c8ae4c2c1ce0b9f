#include "App/BVCleanSelection.h"

#include <fnmatch.h>

#include "App/BVResultPrinter.h"
#include "ScanningService/CoreScanning/BVScanResult.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"

namespace {

bool matchesAny(const std::vector<std::string>& globs, const std::string& path, const BVPaths& paths) {
    if (path.empty()) return false;
    for (const auto& g : globs)
        if (::fnmatch(paths.expandTilde(g).c_str(), path.c_str(), 0) == 0) return true;
    return false;
}

struct Selection {
    std::vector<BVEntityPtr> units;
    bool complete = true;  // every entity below was selected
};

Selection select(const BVEntityPtr& e, bool included, bool excluded, const BVCleanSelectionRules& rules, const BVPaths& paths) {
    std::string path = BVResultPrinter::entityPath(e);
    included = included || matchesAny(rules.include, path, paths);
    excluded = excluded || matchesAny(rules.exclude, path, paths);
    auto tree = std::dynamic_pointer_cast<BVTreeEntity>(e);
    auto children = tree ? tree->children() : std::vector<BVEntityPtr>{};
    if (children.empty()) {
        bool selected = !excluded && (e->autoselected() || e->autoselectedSize() > 0 || included);
        return selected ? Selection{{e}, true} : Selection{{}, false};
    }
    Selection out;
    for (const auto& c : children) {
        auto part = select(c, included, excluded, rules, paths);
        out.complete = out.complete && part.complete;
        out.units.insert(out.units.end(), part.units.begin(), part.units.end());
    }
    if (out.complete) out.units = {e};
    return out;
}

}  // namespace

std::vector<BVEntityPtr> BVSelectEntities(const std::vector<BVTaskOutcomeRecord>& outcomes, const BVCleanSelectionRules& rules,
                                          const BVPaths& paths) {
    std::vector<BVEntityPtr> units;
    for (const auto& o : outcomes) {
        if (!o.result) continue;
        for (const auto& item : o.result->items().value_or(std::vector<BVEntityPtr>{})) {
            auto part = select(item, false, false, rules, paths);
            units.insert(units.end(), part.units.begin(), part.units.end());
        }
    }
    return units;
}
