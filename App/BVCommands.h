// The command-line commands. Each writes its output (text or one JSON document) to standard
// output, messages for the user to standard error, and answers the exit status.
#pragma once

#include <string>

#include "App/BVModuleRegistry.h"
#include "App/BVScanRunner.h"
#include "Foundation/BVPaths.h"

struct BVGlobalOptions {
    std::string home, root, layout, logLevel;
    bool noProgress = false;
};

struct BVCommandOptions {
    bool json = false;
    std::string module;
    int treeDepth = 2;
    std::string group;  // scan large-files --group kind|size|date
    std::string defaultsAction, defaultsKey, defaultsValue, defaultsType;
    std::string ignoreAction, ignoreValue;
    bool ignoreRegex = false;
};

struct BVCommandContext {
    const BVPaths& paths;
    const BVModuleRegistry& registry;
    const BVGlobalOptions& global;
    const BVCommandOptions& options;
};

int BVCommandModules(const BVCommandContext& context);
int BVCommandScan(const BVCommandContext& context);
// The review groups of a large-files scan, as text or as the "groups" member of the JSON document.
std::string BVLargeFilesGroupsText(const BVCommandContext& context, const std::vector<BVTaskOutcomeRecord>& outcomes);
BVValue BVLargeFilesGroupsJSON(const BVCommandContext& context, const std::vector<BVTaskOutcomeRecord>& outcomes);
int BVCommandSmartScan(const BVCommandContext& context);
int BVCommandDefaults(const BVCommandContext& context);
int BVCommandKnowledgeBaseInfo(const BVCommandContext& context);
int BVCommandIgnore(const BVCommandContext& context);

// Writes text to standard output in full.
void BVWriteOutput(const std::string& text);
