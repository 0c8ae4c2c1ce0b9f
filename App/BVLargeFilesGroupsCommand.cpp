// Rendering of the large-files review groups for `brenvik scan large-files --group G`.
#include "App/BVCommands.h"
#include "App/BVLargeFilesGroups.h"
#include "App/BVResultPrinter.h"
#include "Foundation/BVLocalizedStrings.h"
#include "Foundation/QLFileSizer.h"
#include "ScanningService/CoreScanning/BVScanResult.h"

namespace {

constexpr const char* kTable = "LargeAndOldFiles";

std::vector<std::shared_ptr<BVLAOFFileModel>> foundFiles(const std::vector<BVTaskOutcomeRecord>& outcomes) {
    std::vector<std::shared_ptr<BVLAOFFileModel>> files;
    for (const auto& o : outcomes) {
        if (!o.result) continue;
        auto items = o.result->items();  // a copy: the optional is answered by value
        for (const auto& e : items.value_or(std::vector<BVEntityPtr>{}))
            if (auto m = std::dynamic_pointer_cast<BVLAOFFileModel>(e)) files.push_back(m);
    }
    return files;
}

BVLargeFilesGroups::Grouping groupingOf(const BVCommandContext& c) {
    BVLargeFilesGroups::Grouping g = BVLargeFilesGroups::Grouping::Kind;
    BVLargeFilesGroups::groupingNamed(c.options.group, g);
    return g;
}

}  // namespace

BVValue BVLargeFilesGroupsJSON(const BVCommandContext& c, const std::vector<BVTaskOutcomeRecord>& outcomes) {
    auto grouping = groupingOf(c);
    BVArray list;
    for (const auto& g : BVLargeFilesGroups::groups(grouping, foundFiles(outcomes), BVDate::now())) {
        BVArray paths;
        for (const auto& m : g.models) paths.push_back(BVValue(BVResultPrinter::entityPath(m)));
        list.push_back(BVValue(BVDictionary{{"key", BVValue(g.titleKey)},
                                            {"title", BVValue(BVLocalizedString(kTable, g.titleKey, g.titleKey))},
                                            {"tooltip", BVValue(BVLocalizedString(kTable, g.tooltipKey, g.tooltipKey))},
                                            {"count", BVValue(uint64_t(g.models.size()))},
                                            {"size", BVValue(g.size())},
                                            {"paths", BVValue(std::move(paths))}}));
    }
    std::string heading = BVLargeFilesGroups::headingKey(grouping);
    return BVValue(BVDictionary{{"grouping", BVValue(c.options.group)},
                                {"title", BVValue(BVLocalizedString(kTable, heading, heading))},
                                {"groups", BVValue(std::move(list))}});
}

std::string BVLargeFilesGroupsText(const BVCommandContext& c, const std::vector<BVTaskOutcomeRecord>& outcomes) {
    auto grouping = groupingOf(c);
    std::string heading = BVLargeFilesGroups::headingKey(grouping);
    std::string out = BVLocalizedString(kTable, heading, heading) + ":\n";
    for (const auto& g : BVLargeFilesGroups::groups(grouping, foundFiles(outcomes), BVDate::now())) {
        out += "  " + BVLocalizedString(kTable, g.titleKey, g.titleKey) + ": " + std::to_string(g.models.size()) +
               (g.models.size() == 1 ? " file, " : " files, ") +
               QLFileSizer::nonLocalizedDisplayItemSizeFromSize(g.size()) + "\n";
        for (const auto& m : g.models) out += "    " + BVResultPrinter::displayValue(m, c.paths) + "\n";
    }
    return out;
}
