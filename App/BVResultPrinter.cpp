#include "App/BVResultPrinter.h"

#include "Foundation/QLFileSizer.h"
#include "ScanningService/CoreScanning/BVScanResult.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"
#include "ScanningService/CoreScanning/BVURLRepresentableModel.h"

namespace {

std::string human(uint64_t size) { return QLFileSizer::nonLocalizedDisplayItemSizeFromSize(size); }

std::vector<BVEntityPtr> childrenOf(const BVEntityPtr& e) {
    if (auto tree = std::dynamic_pointer_cast<BVTreeEntity>(e)) return tree->children();
    return {};
}

const char* marker(const BVEntityPtr& e) {
    if (e->autoselectedSize() == 0 && !e->autoselected()) return "[ ]";
    if (e->autoselectedSize() >= e->size()) return "[x]";
    return "[-]";
}

void printEntity(std::string& out, const BVEntityPtr& e, const BVPaths& paths,
                 const BVResultPrinter::TreeOptions& options, int level) {
    out += std::string(size_t(2 * (level + 2)), ' ');
    out += options.unticked ? "[ ]" : marker(e);
    out += ' ';
    out += BVResultPrinter::displayValue(e, paths);
    out += "  " + human(e->size()) + "\n";
    auto kids = childrenOf(e);
    if (kids.empty()) return;
    if (level + 1 >= options.depth) {
        out += std::string(size_t(2 * (level + 3)), ' ') + "(" + std::to_string(kids.size()) + " items)\n";
        return;
    }
    size_t shown = std::min(kids.size(), options.childrenPerNode);
    for (size_t i = 0; i < shown; ++i) printEntity(out, kids[i], paths, options, level + 1);
    if (shown < kids.size()) {
        uint64_t rest = 0;
        for (size_t i = shown; i < kids.size(); ++i) rest += kids[i]->size();
        out += std::string(size_t(2 * (level + 3)), ' ') + "... and " + std::to_string(kids.size() - shown) +
               " more, " + human(rest) + "\n";
    }
}

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
    return BVValue(BVDictionary{{"class", BVValue(std::string(entity->className()))},
                                {"value", BVValue(entity->value()->description())},
                                {"path", path.empty() ? BVValue() : BVValue(path)},
                                {"size", BVValue(entity->size())},
                                {"autoselected", BVValue(entity->autoselected())},
                                {"autoselectedSize", BVValue(entity->autoselectedSize())},
                                {"children", BVValue(std::move(children))}});
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
    return BVValue(BVDictionary{{"module", BVValue(scan.module)}, {"results", BVValue(std::move(results))}});
}

std::string scanTree(const BVModuleScan& scan, const BVPaths& paths, const TreeOptions& options) {
    uint64_t total = 0, selected = 0;
    for (const auto& o : scan.outcomes)
        if (o.result) total += o.result->size(), selected += o.result->selectedSize();
    TreeOptions shown = options;
    shown.unticked = scan.ownFiles;
    std::string out = scan.displayName + " (" + scan.module + "): " + human(total) + " found, " +
                      (scan.ownFiles ? std::string("none chosen") : human(selected) + " selected") + "\n";
    for (const auto& o : scan.outcomes) {
        std::string id = o.task->identifier();
        out += "  " + (scan.definition ? scan.definition->taskDisplayName(id) : id) + ": ";
        if (!o.result) {
            out += "not run\n";
            continue;
        }
        if (o.result->error()) {
            out += "error: " + o.result->error()->localizedDescription() + "\n";
            continue;
        }
        out += human(o.result->size()) + (scan.ownFiles ? std::string() : ", " + human(o.result->selectedSize()) + " selected") + "\n";
        auto items = o.result->items().value_or(std::vector<BVEntityPtr>{});
        size_t count = std::min(items.size(), options.childrenPerNode);
        if (options.depth > 0)
            for (size_t i = 0; i < count; ++i) printEntity(out, items[i], paths, shown, 0);
        if (options.depth > 0 && count < items.size())
            out += "    ... and " + std::to_string(items.size() - count) + " more\n";
    }
    if (scan.ownFiles && total > 0)
        out += "  These are your own files, so none is chosen for you. To remove some, name them:\n"
               "    brenvik clean " + scan.module + " --include GLOB\n";
    return out;
}

}  // namespace BVResultPrinter
