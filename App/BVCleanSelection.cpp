#include "App/BVCleanSelection.h"

#include <fnmatch.h>

#include <set>

#include "App/BVResultPrinter.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVKeepRule.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "ScanningService/CoreScanning/BVScanResult.h"

namespace {

struct Matcher {
    std::vector<std::string> globs;  // normal form
    mutable std::set<size_t> matched;

    bool matches(const std::string& path) const {
        if (path.empty()) return false;
        bool any = false;
        for (size_t i = 0; i < globs.size(); ++i)
            if (::fnmatch(globs[i].c_str(), path.c_str(), 0) == 0) matched.insert(i), any = true;
        return any;
    }
};

struct Selection {
    std::vector<BVEntityPtr> units;
    bool complete = true;  // every entity below was selected
};

// A group that holds nothing has nothing to remove (an empty trash's group, say), unless it
// removes a folder of its own.
bool holdsNothing(const BVEntityPtr& e) {
    auto tree = std::dynamic_pointer_cast<BVTreeEntity>(e);
    return tree && tree->children().empty() && !tree->removesItsOwnFolder();
}

Selection select(const BVEntityPtr& e, bool included, bool excluded, const Matcher& include, const Matcher& exclude,
                 bool usePreselection) {
    // An entity that is not a file (a site's cookies, a network) is matched by the value it shows.
    std::string path = BVResultPrinter::entityPath(e);
    std::string matched = path.empty() ? e->value()->description() : path;
    included = include.matches(matched) || included;
    excluded = exclude.matches(matched) || excluded;
    auto tree = std::dynamic_pointer_cast<BVTreeEntity>(e);
    auto children = tree ? tree->children() : std::vector<BVEntityPtr>{};
    if (children.empty()) {
        bool preselected = usePreselection && (e->autoselected() || e->autoselectedSize() > 0);
        bool selected = !excluded && (preselected || included) && !holdsNothing(e);
        return selected ? Selection{{e}, true} : Selection{{}, false};
    }
    Selection out;
    for (const auto& c : children) {
        auto part = select(c, included, excluded, include, exclude, usePreselection);
        out.complete = out.complete && part.complete;
        out.units.insert(out.units.end(), part.units.begin(), part.units.end());
    }
    if (out.complete) out.units = {e};
    return out;
}

// Every path a chosen entity stands for, its members' too.
void collectPaths(const BVEntityPtr& e, std::vector<std::string>& out) {
    std::string path = BVResultPrinter::entityPath(e);
    if (!path.empty()) out.push_back(path);
    if (auto tree = std::dynamic_pointer_cast<BVTreeEntity>(e))
        for (const auto& c : tree->children()) collectPaths(c, out);
}

}  // namespace

std::string BVNormalizedPattern(const std::string& glob, const BVPaths& paths) {
    std::string expanded = paths.expandTilde(glob);
    if (auto normal = BVFileIO::lexicallyNormalPath(expanded)) return *normal;
    return expanded;
}

BVCleanSelection BVSelectEntities(const std::vector<BVTaskOutcomeRecord>& outcomes, const BVCleanSelectionRules& rules,
                                  const BVPaths& paths) {
    Matcher include, exclude;
    for (const auto& g : rules.include) include.globs.push_back(BVNormalizedPattern(g, paths));
    for (const auto& g : rules.exclude) exclude.globs.push_back(BVNormalizedPattern(g, paths));
    BVCleanSelection selection;
    for (const auto& o : outcomes) {
        if (!o.result) continue;
        for (const auto& item : o.result->items().value_or(std::vector<BVEntityPtr>{})) {
            auto part = select(item, false, false, include, exclude, rules.usePreselection);
            selection.entities.insert(selection.entities.end(), part.units.begin(), part.units.end());
        }
    }
    std::vector<std::string> chosen;
    for (const auto& e : selection.entities) collectPaths(e, chosen);
    for (size_t i = 0; i < include.globs.size(); ++i)
        if (!include.matched.count(i)) selection.unmatchedIncludes.push_back(rules.include[i]);
    for (size_t i = 0; i < exclude.globs.size(); ++i) {
        if (exclude.matched.count(i)) continue;
        // Inside a chosen item: kept there while the rest of it goes.
        BVKeepRule one = BVKeepRule::isPattern(exclude.globs[i]) ? BVKeepRule({}, {exclude.globs[i]}) : BVKeepRule({exclude.globs[i]}, {});
        bool inside = false;
        for (const auto& p : chosen) inside = inside || one.mayHoldKept(p);
        if (inside) selection.excludesInside.push_back(exclude.globs[i]);
        else selection.unmatchedExcludes.push_back(rules.exclude[i]);
    }
    return selection;
}
