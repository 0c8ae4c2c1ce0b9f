#include <cstdio>

#include "App/BVCommands.h"
#include "App/BVProgressDrawer.h"
#include "App/BVResultPrinter.h"
#include "App/BVScanRunner.h"
#include "Foundation/BVJSONCodec.h"

namespace {

const BVSmartScanSection kSections[] = {BVSmartScanSection::Cleanup, BVSmartScanSection::Protection,
                                        BVSmartScanSection::Speed};

BVResultPrinter::TreeOptions treeOptions(const BVCommandContext& c) {
    BVResultPrinter::TreeOptions t;
    t.depth = c.options.treeDepth;
    return t;
}

}  // namespace

const BVModule* BVModuleNamedOrExplain(const BVCommandContext& c) {
    const BVModule* module = c.registry.moduleNamed(c.options.module);
    if (!module) std::fprintf(stderr, "brenvik: unknown module '%s' (see `brenvik modules`)\n", c.options.module.c_str());
    return module;
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
        text += m.name + "  " + m.displayName + "  (smart scan: " + BVSmartScanSectionName(m.section) + ")\n";
        for (const auto& t : m.makeTasks(c.environment)) {
            tasks.push_back(BVValue(t->identifier()));
            text += "    " + t->identifier() + "\n";
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
    const BVModule* module = BVModuleNamedOrExplain(c);
    if (!module) return 2;
    if (!c.options.group.empty() && module->name != "large-files") {
        std::fprintf(stderr, "brenvik: --group applies to the large-files module only\n");
        return 2;
    }
    if (!BVOpenKnowledgeBase(c)) return 3;
    BVProgressDrawer drawer(BVProgressDrawer::shouldDraw(c.global.noProgress));
    BVScanRunner runner(&drawer);
    BVModuleScan scan{module->name, module->displayName, module, runner.run(module->name, module->makeTasks(c.environment)), module->ownFiles};
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
        BVWriteOutput(BVResultPrinter::scanTree(scan, c.paths, treeOptions(c)) +
                      (grouped ? BVLargeFilesGroupsText(c, scan.outcomes) : std::string()));
    }
    return 0;
}

int BVCommandSmartScan(const BVCommandContext& c) {
    if (!BVOpenKnowledgeBase(c)) return 3;
    BVProgressDrawer drawer(BVProgressDrawer::shouldDraw(c.global.noProgress));
    BVScanRunner runner(&drawer);
    BVArray sections;
    std::string text;
    for (BVSmartScanSection section : kSections) {
        auto modules = c.registry.modulesInSection(section);
        // One queue per section: the section's modules' tasks run together.
        std::vector<BVScanTaskPtr> tasks;
        std::vector<size_t> counts;
        for (const auto* m : modules) {
            auto t = m->makeTasks(c.environment);
            counts.push_back(t.size());
            tasks.insert(tasks.end(), t.begin(), t.end());
        }
        std::string name = BVSmartScanSectionName(section);
        auto outcomes = runner.run("smart-scan." + name, tasks);
        BVArray moduleResults;
        text += "== " + name + " ==\n";
        if (modules.empty()) text += "  (no module in this section)\n";
        size_t offset = 0;
        for (size_t i = 0; i < modules.size(); ++i) {
            BVModuleScan scan{modules[i]->name, modules[i]->displayName, modules[i],
                              {outcomes.begin() + long(offset), outcomes.begin() + long(offset + counts[i])},
                              modules[i]->ownFiles};
            offset += counts[i];
            moduleResults.push_back(BVResultPrinter::scanJSON(scan));
            text += BVResultPrinter::scanTree(scan, c.paths, treeOptions(c));
        }
        sections.push_back(BVValue(BVDictionary{{"section", BVValue(name)}, {"modules", BVValue(std::move(moduleResults))}}));
    }
    if (c.options.json)
        BVWriteOutput(BVJSONCodec::encode(BVValue(BVDictionary{{"sections", BVValue(std::move(sections))}}), 2) + "\n");
    else
        BVWriteOutput(text);
    return 0;
}
