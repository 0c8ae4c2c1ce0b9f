// BVResultPrinter: scan results as the command line shows them: an indented tree with sizes
// and the preselection, or the JSON document of the command-line contract. Pure functions of
// the results; the caller writes the text.
#pragma once

#include <string>
#include <vector>

#include "App/BVModuleRegistry.h"
#include "App/BVScanRunner.h"
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
};

namespace BVResultPrinter {

struct TreeOptions {
    int depth = 2;                  // entity levels shown below each task
    size_t childrenPerNode = 50;    // the rest is summarised on one line
    bool unticked = false;          // show every entity unticked
};

BVValue entityJSON(const BVEntityPtr& entity);
BVValue errorJSON(const BVError& error);
BVValue scanJSON(const BVModuleScan& scan);

std::string scanTree(const BVModuleScan& scan, const BVPaths& paths, const TreeOptions& options);
// The text of an entity's value as output shows it (a path with the home written as "~").
std::string displayValue(const BVEntityPtr& entity, const BVPaths& paths);
std::string entityPath(const BVEntityPtr& entity);

}  // namespace BVResultPrinter
