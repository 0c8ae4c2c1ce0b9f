#include "App/BVCleanPrinter.h"

#include "App/BVResultPrinter.h"
#include "App/BVListing.h"
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
void printResult(BVListing& out, const BVRemovalResultPtr& r, const BVPaths& paths, const BVOutputStyle& style, int level) {
    // A group is reported as its members, as the list before the clean showed it.
    auto children = r->children();
    if (isGroup(r->entity()) && !children.empty() && !r->error()) {
        for (const auto& c : children) printResult(out, c, paths, style, level);
        return;
    }
    std::string indent(size_t(2 * level), ' ');
    uint64_t state = r->state();
    // A group refused as a whole names the items it holds.
    std::vector<BVEntityPtr> shown;
    collectShown(r->entity(), shown);
    for (const auto& e : shown) {
        std::string line = indent + stateWord(state, e) + "  " + BVResultPrinter::displayValue(e, paths);
        bool freed = state != BVRemovalStateFailed && shown.size() == 1;
        out.addRow(freed ? std::optional<uint64_t>(r->size()) : std::nullopt,
                   state == BVRemovalStateSucceeded ? line : style.failure(line));
    }
    if (r->error()) out.addRow(std::nullopt, style.failure(indent + "  error: " + r->error()->localizedDescription()));
    if (state == BVRemovalStateSucceeded) return;
    for (const auto& c : children)
        if (c->state() != BVRemovalStateSucceeded) printResult(out, c, paths, style, level + 1);
}

}  // namespace

namespace BVCleanPrinter {

uint64_t totalSize(const std::vector<BVEntityPtr>& entities) {
    uint64_t total = 0;
    for (const auto& e : entities) total += e->size();
    return total;
}

std::string selectionText(const std::vector<BVEntityPtr>& entities, const BVPaths& paths, const BVOutputStyle& style,
                          BVSortOrder order, const BVKeepRule* keep) {
    std::vector<BVEntityPtr> shown;
    for (const auto& e : entities) collectShown(e, shown);
    BVListing out;
    for (const auto& e : BVSorted(shown, order, paths)) {
        out.addRow(e->size(), std::string(emptied(e) ? "empty   " : "remove  ") + BVResultPrinter::displayValue(e, paths));
        std::string path = BVResultPrinter::entityPath(e);
        if (keep && !path.empty())
            for (const auto& kept : keep->rulesInside(path)) out.addRow(std::nullopt, "  keeps " + paths.abbreviateHome(kept));
    }
    out.addRow(totalSize(entities), "total, " + BVCountOf(shown.size(), "item"));
    return out.render(style);
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
    BVDictionary document{{"module", BVValue(clean.module)},
                          {"cleanedSize", BVValue(cleanedSize(clean))},
                          {"state", BVValue(state(clean))},
                          {"results", BVValue(std::move(results))}};
    if (clean.interrupted) document["cancelled"] = BVValue(true);
    return BVValue(std::move(document));
}

BVValue abortedJSON(const std::string& module, const std::string& reason) {
    return BVValue(BVDictionary{{"module", BVValue(module)},
                                {"aborted", BVValue(true)},
                                {"reason", BVValue(reason)},
                                {"cleanedSize", BVValue(uint64_t(0))},
                                {"results", BVValue(BVArray{})}});
}

std::string cleanText(const BVModuleClean& clean, const BVPaths& paths, const BVOutputStyle& style) {
    BVListing out;
    size_t failed = 0;
    for (const auto& r : clean.results) {
        printResult(out, r, paths, style, 0);
        if (r->state() != BVRemovalStateSucceeded) ++failed;
    }
    std::string total = "freed in total";
    if (failed) total += "; " + style.failure(BVCountOf(failed, "item") + " not (fully) removed");
    if (clean.interrupted) total += "; stopped before the rest";
    out.addRow(cleanedSize(clean), total);
    return out.render(style);
}

}  // namespace BVCleanPrinter
