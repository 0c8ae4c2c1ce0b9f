#include "App/BVCleanPrinter.h"

#include "App/BVResultPrinter.h"
#include "Foundation/QLFileSizer.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"

namespace {

bool isGroup(const BVEntityPtr& e) {
    return dynamic_cast<const BVGroupedSequenceModel*>(e.get()) || dynamic_cast<const BVFileSequenceModel*>(e.get()) ||
           BVResultPrinter::entityPath(e).empty();
}

// A group (a sequence, or a tree without a path of its own) is removed as its members, so it is
// shown as them: every line of the list is something that really goes, never a group's label
// (a trash bin's group is named "/").
void collectShown(const BVEntityPtr& e, std::vector<BVEntityPtr>& shown) {
    auto tree = std::dynamic_pointer_cast<BVTreeEntity>(e);
    auto children = tree ? tree->children() : std::vector<BVEntityPtr>{};
    if (!isGroup(e) || children.empty()) {
        shown.push_back(e);
        return;
    }
    for (const auto& c : children) collectShown(c, shown);
}

std::string human(uint64_t size) { return QLFileSizer::nonLocalizedDisplayItemSizeFromSize(size); }

bool emptied(const BVEntityPtr& e) { return e->removalAction() == BVRemovalAction::Empty; }

const char* stateWord(uint64_t state, const BVEntityPtr& e) {
    switch (state) {
    case BVRemovalStateSucceeded: return emptied(e) ? "emptied" : "removed";
    case BVRemovalStateFailed: return "failed";
    default: return emptied(e) ? "partly emptied" : "partly removed";
    }
}

// Shows a result, its own errors, and its children only where something failed below: a
// successful subtree is one line.
void printResult(std::string& out, const BVRemovalResultPtr& r, const BVPaths& paths, int level) {
    // A group is reported as its members, as the list before the clean showed it.
    auto children = r->children();
    if (isGroup(r->entity()) && !children.empty() && !r->error()) {
        for (const auto& c : children) printResult(out, c, paths, level);
        return;
    }
    std::string indent(size_t(2 * level + 2), ' ');
    uint64_t state = r->state();
    // A group refused as a whole names the items it holds.
    std::vector<BVEntityPtr> shown;
    collectShown(r->entity(), shown);
    for (const auto& e : shown) {
        out += indent + stateWord(state, e) + "  " + BVResultPrinter::displayValue(e, paths);
        if (state != BVRemovalStateFailed && shown.size() == 1) out += "  " + human(r->size()) + " freed";
        out += "\n";
    }
    if (r->error()) out += indent + "  error: " + r->error()->localizedDescription() + "\n";
    if (state == BVRemovalStateSucceeded) return;
    for (const auto& c : children)
        if (c->state() != BVRemovalStateSucceeded) printResult(out, c, paths, level + 1);
}

}  // namespace

namespace BVCleanPrinter {

uint64_t totalSize(const std::vector<BVEntityPtr>& entities) {
    uint64_t total = 0;
    for (const auto& e : entities) total += e->size();
    return total;
}

std::string selectionText(const std::vector<BVEntityPtr>& entities, const BVPaths& paths, const BVKeepRule* keep) {
    std::vector<BVEntityPtr> shown;
    for (const auto& e : entities) collectShown(e, shown);
    std::string out;
    for (const auto& e : shown) {
        out += std::string(emptied(e) ? "  empty   " : "  remove  ") + BVResultPrinter::displayValue(e, paths) + "  " +
               human(e->size()) + "\n";
        std::string path = BVResultPrinter::entityPath(e);
        if (keep && !path.empty())
            for (const auto& kept : keep->rulesInside(path)) out += "            keeps " + paths.abbreviateHome(kept) + "\n";
    }
    out += std::to_string(shown.size()) + (shown.size() == 1 ? " item, " : " items, ") + human(totalSize(entities)) + "\n";
    return out;
}

BVValue selectionJSON(const std::string& module, const std::vector<BVEntityPtr>& entities) {
    BVArray items;
    for (const auto& e : entities) items.push_back(BVResultPrinter::entityJSON(e));
    return BVValue(BVDictionary{{"module", BVValue(module)},
                                {"dryRun", BVValue(true)},
                                {"size", BVValue(totalSize(entities))},
                                {"items", BVValue(std::move(items))}});
}

uint64_t cleanedSize(const BVModuleClean& clean) {
    uint64_t total = 0;
    for (const auto& r : clean.results) total += r->size();
    return total;
}

uint64_t state(const BVModuleClean& clean) {
    bool anySucceeded = false, anyFailed = false;
    for (const auto& r : clean.results) {
        uint64_t s = r->state();
        anySucceeded = anySucceeded || s != BVRemovalStateFailed;
        anyFailed = anyFailed || s != BVRemovalStateSucceeded;
    }
    if (!anyFailed) return BVRemovalStateSucceeded;
    return anySucceeded ? BVRemovalStatePartlySucceeded : BVRemovalStateFailed;
}

BVValue resultJSON(const BVRemovalResultPtr& r) {
    BVArray errors, children;
    if (r->error()) errors.push_back(BVResultPrinter::errorJSON(*r->error()));
    for (const auto& c : r->children()) children.push_back(resultJSON(c));
    std::string path = BVResultPrinter::entityPath(r->entity());
    return BVValue(BVDictionary{{"class", BVValue(std::string(r->entity()->className()))},
                                {"value", BVValue(r->entity()->value()->description())},
                                {"path", path.empty() ? BVValue() : BVValue(path)},
                                {"size", BVValue(r->size())},
                                {"state", BVValue(r->state())},
                                {"errors", BVValue(std::move(errors))},
                                {"children", BVValue(std::move(children))}});
}

BVValue cleanJSON(const BVModuleClean& clean) {
    BVArray results;
    for (const auto& r : clean.results) results.push_back(resultJSON(r));
    return BVValue(BVDictionary{{"module", BVValue(clean.module)},
                                {"cleanedSize", BVValue(cleanedSize(clean))},
                                {"state", BVValue(state(clean))},
                                {"results", BVValue(std::move(results))}});
}

std::string cleanText(const BVModuleClean& clean, const BVPaths& paths) {
    std::string out;
    size_t failed = 0;
    for (const auto& r : clean.results) {
        printResult(out, r, paths, 0);
        if (r->state() != BVRemovalStateSucceeded) ++failed;
    }
    out += human(cleanedSize(clean)) + " freed";
    if (failed) out += "; " + std::to_string(failed) + (failed == 1 ? " item" : " items") + " not (fully) removed";
    return out + "\n";
}

}  // namespace BVCleanPrinter
