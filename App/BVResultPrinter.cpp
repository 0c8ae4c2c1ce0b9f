#include "App/BVResultPrinter.h"

#include "App/BVSortOrder.h"
#include "ScanningService/CoreScanning/BVDisplayNamedEntity.h"
#include "ScanningService/CoreScanning/BVEntityDetails.h"
#include "ScanningService/CoreScanning/BVScanResult.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"
#include "ScanningService/CoreScanning/BVURLRepresentableModel.h"

namespace {

std::vector<BVEntityPtr> childrenOf(const BVEntityPtr& e) {
    if (auto tree = std::dynamic_pointer_cast<BVTreeEntity>(e)) return tree->children();
    return {};
}

std::string marker(const BVEntityPtr& e, const BVOutputStyle& style) {
    if (e->autoselectedSize() == 0 && !e->autoselected()) return "[ ]";
    if (e->autoselectedSize() >= e->size()) return style.ticked("[x]");
    return "[-]";
}

std::string indent(int level) { return std::string(size_t(2 * level), ' '); }

struct EntityPrinter {
    BVListing& listing;
    const BVPaths& paths;
    const BVResultPrinter::TreeOptions& options;
    const BVOutputStyle& style;
    bool unticked;

    // Entities of one level: the first childrenPerNode in the chosen order, then one line for the rest.
    void printLevel(const std::vector<BVEntityPtr>& entities, int level) {
        auto sorted = BVSorted(entities, options.sort, paths);
        size_t shown = std::min(sorted.size(), options.childrenPerNode);
        for (size_t i = 0; i < shown; ++i) printEntity(sorted[i], level);
        if (shown < sorted.size()) {
            uint64_t rest = 0;
            for (size_t i = shown; i < sorted.size(); ++i) rest += sorted[i]->size();
            listing.addRow(rest, indent(level) + "... and " + std::to_string(sorted.size() - shown) + " more");
        }
    }

    void printEntity(const BVEntityPtr& e, int level) {
        std::string text = indent(level) + (unticked ? "[ ]" : marker(e, style)) + " " + BVResultPrinter::displayValue(e, paths);
        if (auto details = dynamic_cast<const BVEntityDetails*>(e.get())) text += "  " + details->detailsText();
        listing.addRow(e->size(), text);
        auto kids = childrenOf(e);
        if (kids.empty()) return;
        if (level >= options.depth) {
            listing.addRow(std::nullopt, indent(level + 2) + "(" + BVCountOf(kids.size(), "item") + ")");
            return;
        }
        printLevel(kids, level + 1);
    }
};

}  // namespace

namespace BVResultPrinter {

std::string entityPath(const BVEntityPtr& entity) {
    if (auto u = dynamic_cast<const BVURLRepresentableModel*>(entity.get()))
        if (auto url = u->fileURL()) return url->path();
    return {};
}

std::string displayValue(const BVEntityPtr& entity, const BVPaths& paths) {
    std::string path = entityPath(entity);
    if (!path.empty()) return paths.abbreviateHome(path);
    if (auto named = dynamic_cast<const BVDisplayNamedEntity*>(entity.get())) return named->displayName();
    return entity->value()->description();
}

BVValue errorJSON(const BVError& error) {
    return BVValue(BVDictionary{{"domain", BVValue(error.domain())},
                                {"code", BVValue(error.code())},
                                {"description", BVValue(error.localizedDescription())}});
}

BVValue entityJSON(const BVEntityPtr& entity) {
    BVArray children;
    for (const auto& c : childrenOf(entity)) children.push_back(entityJSON(c));
    std::string path = entityPath(entity);
    BVDictionary out{{"class", BVValue(std::string(entity->className()))},
                     {"value", BVValue(entity->value()->description())},
                     {"path", path.empty() ? BVValue() : BVValue(path)},
                     {"size", BVValue(entity->size())},
                     {"autoselected", BVValue(entity->autoselected())},
                     {"autoselectedSize", BVValue(entity->autoselectedSize())},
                     {"children", BVValue(std::move(children))}};
    if (auto details = dynamic_cast<const BVEntityDetails*>(entity.get())) out["details"] = BVValue(details->details());
    return BVValue(std::move(out));
}

BVValue scanJSON(const BVModuleScan& scan) {
    BVArray results;
    for (const auto& o : scan.outcomes) {
        BVArray items;
        uint64_t size = 0, selected = 0;
        BVValue error;
        if (o.result) {
            if (auto list = o.result->items())
                for (const auto& e : *list) items.push_back(entityJSON(e));
            if (o.result->error()) error = errorJSON(*o.result->error());
            size = o.result->size();
            selected = o.result->selectedSize();
        }
        std::string id = o.task->identifier();
        results.push_back(BVValue(BVDictionary{{"identifier", BVValue(id)},
                                               {"key", BVValue(scan.definition ? scan.definition->taskKey(id) : id)},
                                               {"displayName", BVValue(scan.definition ? scan.definition->taskDisplayName(id) : id)},
                                               {"size", BVValue(size)},
                                               {"selectedSize", BVValue(selected)},
                                               {"error", error},
                                               {"items", BVValue(std::move(items))}}));
    }
    BVDictionary document{{"module", BVValue(scan.module)},
                          {"displayName", BVValue(scan.displayName)},
                          {"results", BVValue(std::move(results))}};
    // A scan stopped by the user: the tasks that had finished, the others without results.
    if (scan.cancelled) document["cancelled"] = BVValue(true);
    return BVValue(std::move(document));
}

std::string taskName(const BVModuleScan& scan, const BVScanTaskPtr& task) {
    std::string id = task->identifier();
    return scan.definition ? scan.definition->taskDisplayName(id) : id;
}

void appendScan(BVListing& listing, const BVModuleScan& scan, const BVPaths& paths, const TreeOptions& options,
                const BVOutputStyle& style) {
    uint64_t total = 0, selected = 0;
    for (const auto& o : scan.outcomes)
        if (o.result) total += o.result->size(), selected += o.result->selectedSize();
    listing.addHeading(style.strong(scan.displayName) + " (" + scan.module + ")");
    EntityPrinter printer{listing, paths, options, style, scan.ownFiles};
    for (const auto& o : scan.outcomes) {
        std::string name = taskName(scan, o.task);
        if (!o.result) {
            listing.addRow(std::nullopt, name + ": not run");
            continue;
        }
        if (o.result->error()) {
            listing.addRow(std::nullopt, style.failure(name + ": " + o.result->error()->localizedDescription()));
            continue;
        }
        auto items = o.result->items().value_or(std::vector<BVEntityPtr>{});
        if (items.empty()) {
            listing.addRow(std::nullopt, name + ": nothing found");
            continue;
        }
        listing.addRow(o.result->size(), name + (scan.ownFiles ? std::string() : ", " + style.size(o.result->selectedSize()) + " selected"));
        if (options.depth > 0) printer.printLevel(items, 1);
        else listing.addRow(std::nullopt, indent(2) + "(" + BVCountOf(items.size(), "item") + ")");
    }
    listing.addRow(total, "total, " + (scan.ownFiles ? std::string("none chosen") : style.size(selected) + " selected"));
    if (scan.ownFiles && total > 0)
        listing.addHeading("  These are your own files, so none is chosen for you. To remove some, name them:\n"
                           "    brenvik clean " + scan.module + " --include GLOB");
}

std::string scanText(const BVModuleScan& scan, const BVPaths& paths, const TreeOptions& options, const BVOutputStyle& style) {
    BVListing listing;
    appendScan(listing, scan, paths, options, style);
    return listing.render(style);
}

}  // namespace BVResultPrinter
