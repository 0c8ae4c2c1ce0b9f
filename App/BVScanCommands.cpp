// `brenvik modules`, `brenvik scan MODULE[/KEY,...]` and `brenvik smart-scan`: what the modules
// find, nothing removed.
#include <algorithm>
#include <cstdio>

#include "App/BVCommands.h"
#include "App/BVInterruption.h"
#include "App/BVProgressDrawer.h"
#include "App/BVResultPrinter.h"
#include "App/BVScanRunner.h"
#include "App/BVSuggestions.h"
#include "Foundation/BVJSONCodec.h"
#include "ScanningService/CoreScanning/BVScanResult.h"

namespace {

const BVSmartScanSection kSections[] = {BVSmartScanSection::Cleanup, BVSmartScanSection::Protection,
                                        BVSmartScanSection::Speed};

BVResultPrinter::TreeOptions treeOptions(const BVCommandContext& c) {
    BVResultPrinter::TreeOptions t;
    t.depth = c.options.treeDepth;
    t.sort = c.options.sort;
    return t;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// "Cleanup" for "cleanup".
std::string sectionTitle(BVSmartScanSection section) {
    std::string name = BVSmartScanSectionName(section);
    if (!name.empty()) name[0] = char(name[0] - 'a' + 'A');
    return name;
}

void sizesOf(const BVModuleScan& scan, uint64_t& found, uint64_t& selected) {
    for (const auto& o : scan.outcomes)
        if (o.result) found += o.result->size(), selected += scan.ownFiles ? 0 : o.result->selectedSize();
}

// A stopped scan: only JSON shows what had been found (marked cancelled); text shows nothing.
int reportCancelled(const BVCommandContext& c, const BVValue& document) {
    if (c.options.json) BVWriteOutput(BVJSONCodec::encode(document, 2) + "\n");
    std::fprintf(stderr, "brenvik: the scan was stopped\n");
    return 130;
}

}  // namespace

const BVModule* BVModuleNamedOrExplain(const BVCommandContext& c) {
    const BVModule* module = c.registry.moduleNamed(c.options.module);
    if (!module)
        std::fprintf(stderr, "brenvik: unknown module '%s'%s; `brenvik modules` lists them\n", c.options.module.c_str(),
                     BVDidYouMean(c.options.module, c.registry.moduleNames()).c_str());
    return module;
}

BVModuleChoice BVModuleChoiceOrExplain(const BVCommandContext& c) {
    const std::string& text = c.options.module;
    size_t slash = text.find('/');
    BVCommandOptions moduleOnly = c.options;
    moduleOnly.module = text.substr(0, slash);
    BVCommandContext named{c.environment, c.paths, c.registry, c.global, moduleOnly, c.style, c.interruption};
    BVModuleChoice choice;
    const BVModule* module = BVModuleNamedOrExplain(named);
    if (!module || slash == std::string::npos) {
        choice.module = module;
        return choice;
    }
    auto known = module->taskKeys();
    for (const auto& key : split(text.substr(slash + 1), ',')) {
        if (key.empty()) continue;
        if (std::find(known.begin(), known.end(), key) == known.end()) {
            std::string list;
            for (const auto& k : known) list += (list.empty() ? "" : ", ") + k;
            std::fprintf(stderr, "brenvik: the module %s has no task '%s'%s; its tasks: %s\n", module->name.c_str(), key.c_str(),
                         BVDidYouMean(key, known).c_str(), list.c_str());
            return {};
        }
        if (std::find(choice.keys.begin(), choice.keys.end(), key) == choice.keys.end()) choice.keys.push_back(key);
    }
    if (choice.keys.empty()) {
        std::fprintf(stderr, "brenvik: %s names no task after the '/'; `brenvik modules` lists the keys\n", text.c_str());
        return {};
    }
    choice.module = module;
    return choice;
}

void BVWriteOutput(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

int BVCommandModules(const BVCommandContext& c) {
    BVArray list;
    std::string text;
    for (const auto& m : c.registry.modules()) {
        BVArray tasks;
        text += c.style.strong(m.displayName) + " (" + m.name + ", Smart Scan: " + BVSmartScanSectionName(m.section) + ")\n";
        std::vector<std::string> listed;
        for (const auto& t : m.makeTasks(c.environment)) {
            std::string id = t->identifier(), key = m.taskKey(id);
            tasks.push_back(BVValue(BVDictionary{{"identifier", BVValue(id)},
                                                 {"key", BVValue(key)},
                                                 {"displayName", BVValue(m.taskDisplayName(id))}}));
            // Tasks that share a key (one per volume, say) are chosen together: one line.
            if (std::find(listed.begin(), listed.end(), key) != listed.end()) continue;
            listed.push_back(key);
            text += "  " + m.name + "/" + key + std::string(key.size() + m.name.size() < 34 ? 34 - key.size() - m.name.size() : 1, ' ') +
                    m.taskDisplayName(id) + "\n";
        }
        list.push_back(BVValue(BVDictionary{{"name", BVValue(m.name)},
                                            {"displayName", BVValue(m.displayName)},
                                            {"section", BVValue(BVSmartScanSectionName(m.section))},
                                            {"tasks", BVValue(std::move(tasks))}}));
    }
    if (c.options.json) {
        BVWriteOutput(BVJSONCodec::encode(BVValue(BVDictionary{{"modules", BVValue(std::move(list))}}), 2) + "\n");
    } else {
        BVWriteOutput(text.empty() ? "No modules are registered in this build.\n" : text);
    }
    return 0;
}

int BVCommandScan(const BVCommandContext& c) {
    auto choice = BVModuleChoiceOrExplain(c);
    const BVModule* module = choice.module;
    if (!module) return 2;
    if (!c.options.group.empty() && module->name != "large-files") {
        std::fprintf(stderr, "brenvik: --group applies to the large-files module only\n");
        return 2;
    }
    if (!BVOpenKnowledgeBase(c)) return 3;
    BVProgressDrawer drawer(BVProgressDrawer::shouldDraw(c.global.noProgress));
    BVScanRunner runner(&drawer, c.interruption);
    BVModuleScan scan{module->name, module->displayName, module,
                      runner.run(module->name, module->tasksWithKeys(c.environment, choice.keys)), module->ownFiles};
    scan.cancelled = runner.cancelled();
    if (scan.cancelled) return reportCancelled(c, BVResultPrinter::scanJSON(scan));
    bool grouped = !c.options.group.empty();
    if (c.options.json) {
        BVValue document = BVResultPrinter::scanJSON(scan);
        if (grouped) {
            BVDictionary members = document.dictionaryValue();
            members["groups"] = BVLargeFilesGroupsJSON(c, scan.outcomes);
            document = BVValue(std::move(members));
        }
        BVWriteOutput(BVJSONCodec::encode(document, 2) + "\n");
    } else {
        BVWriteOutput(BVResultPrinter::scanText(scan, c.paths, treeOptions(c), c.style) +
                      (grouped ? BVLargeFilesGroupsText(c, scan.outcomes) : std::string()));
    }
    return 0;
}

int BVCommandSmartScan(const BVCommandContext& c) {
    if (!BVOpenKnowledgeBase(c)) return 3;
    BVProgressDrawer drawer(BVProgressDrawer::shouldDraw(c.global.noProgress));
    BVScanRunner runner(&drawer, c.interruption);
    BVArray sections;
    BVListing body, summary;
    uint64_t grandFound = 0, grandSelected = 0;
    bool cancelled = false;
    for (BVSmartScanSection section : kSections) {
        auto modules = c.registry.modulesInSection(section);
        std::string name = BVSmartScanSectionName(section);
        BVArray moduleResults;
        uint64_t found = 0, selected = 0;
        if (!cancelled && !modules.empty()) {
            // One queue per section: the section's modules' tasks run together.
            std::vector<BVScanTaskPtr> tasks;
            std::vector<size_t> counts;
            for (const auto* m : modules) {
                auto t = m->makeTasks(c.environment);
                counts.push_back(t.size());
                tasks.insert(tasks.end(), t.begin(), t.end());
            }
            auto outcomes = runner.run("smart-scan." + name, tasks);
            cancelled = runner.cancelled();
            size_t offset = 0;
            for (size_t i = 0; i < modules.size(); ++i) {
                BVModuleScan scan{modules[i]->name, modules[i]->displayName, modules[i],
                                  {outcomes.begin() + long(offset), outcomes.begin() + long(offset + counts[i])},
                                  modules[i]->ownFiles, cancelled};
                offset += counts[i];
                sizesOf(scan, found, selected);
                moduleResults.push_back(BVResultPrinter::scanJSON(scan));
                BVResultPrinter::appendScan(body, scan, c.paths, treeOptions(c), c.style);
            }
        }
        // A section without modules is said once, in the summary.
        if (modules.empty()) summary.addRow(std::nullopt, sectionTitle(section) + ": nothing to scan here yet");
        else summary.addRow(found, sectionTitle(section) + ", " + c.style.size(selected) + " selected");
        grandFound += found, grandSelected += selected;
        sections.push_back(BVValue(BVDictionary{{"section", BVValue(name)}, {"modules", BVValue(std::move(moduleResults))}}));
    }
    BVDictionary document{{"sections", BVValue(std::move(sections))}};
    if (cancelled) {
        document["cancelled"] = BVValue(true);
        return reportCancelled(c, BVValue(std::move(document)));
    }
    if (c.options.json) {
        BVWriteOutput(BVJSONCodec::encode(BVValue(std::move(document)), 2) + "\n");
        return 0;
    }
    summary.addRow(grandFound, "total, " + c.style.size(grandSelected) + " selected");
    // Body and summary share one size column.
    BVListing all = body;
    all.addHeading("");
    all.addHeading(c.style.strong("Smart Scan"));
    all.append(summary);
    BVWriteOutput(all.render(c.style));
    return 0;
}
