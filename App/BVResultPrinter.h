// BVResultPrinter: scan results as the command line shows them: an indented tree with its
// sizes in one column, the preselection and a total, or the JSON document of the command-line
// contract. Pure functions of the results; the caller writes the text.
#pragma once

#include <string>
#include <vector>

#include "App/BVListing.h"
#include "App/BVModuleRegistry.h"
#include "App/BVOutputStyle.h"
#include "App/BVScanRunner.h"
#include "App/BVSortOrder.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVValue.h"

struct BVModuleScan {
    std::string module;
    std::string displayName;
    const BVModule* definition = nullptr;  // for the tasks' keys and display names
    std::vector<BVTaskOutcomeRecord> outcomes;
    // The module lists the user's own files: the text shows nothing ticked (the command line
    // removes only what --include names) and says how to choose; JSON keeps the preselection.
    bool ownFiles = false;
    bool cancelled = false;  // stopped by the user before every task had finished
};

namespace BVResultPrinter {

struct TreeOptions {
    int depth = 2;                  // entity levels shown below each task
    size_t childrenPerNode = 50;    // the rest is summarised on one line
    BVSortOrder sort = BVSortOrder::Found;
};

BVValue entityJSON(const BVEntityPtr& entity);
BVValue errorJSON(const BVError& error);
BVValue scanJSON(const BVModuleScan& scan);

// The module's heading, a line per task (its display name, size and selection) with its
// entities below, and the module's total.
void appendScan(BVListing& listing, const BVModuleScan& scan, const BVPaths& paths, const TreeOptions& options,
                const BVOutputStyle& style);
std::string scanText(const BVModuleScan& scan, const BVPaths& paths, const TreeOptions& options, const BVOutputStyle& style);
std::string taskName(const BVModuleScan& scan, const BVScanTaskPtr& task);
// The text of an entity's value as output shows it (a path with the home written as "~").
std::string displayValue(const BVEntityPtr& entity, const BVPaths& paths);
std::string entityPath(const BVEntityPtr& entity);

}  // namespace BVResultPrinter
