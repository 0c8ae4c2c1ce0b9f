// The command-line commands. Each writes its output (text or one JSON document) to standard
// output, messages for the user to standard error, and answers the exit status.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "App/BVModuleRegistry.h"
#include "App/BVScanRunner.h"
#include "Foundation/BVEnvironment.h"
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
    std::vector<std::string> include, exclude;
    bool dryRun = false, yes = false;
    std::string startupAction, startupItem;  // startup list|disable|enable|remove [ITEM]
};

struct BVCommandContext {
    const BVEnvironment& environment;
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
int BVCommandClean(const BVCommandContext& context);
int BVCommandSmartScan(const BVCommandContext& context);
int BVCommandDefaults(const BVCommandContext& context);
int BVCommandKnowledgeBaseInfo(const BVCommandContext& context);
int BVCommandIgnore(const BVCommandContext& context);
int BVCommandStartup(const BVCommandContext& context);

class BVKnowledgeBase;
// The knowledge base of this run, or none after telling the user which files were tried (the
// commands that need it then stop with status 3).
std::shared_ptr<BVKnowledgeBase> BVOpenKnowledgeBase(const BVCommandContext& context);

// The module the command names, or none after telling the user (the command then stops with
// status 2).
const BVModule* BVModuleNamedOrExplain(const BVCommandContext& context);

// Writes text to standard output in full.
void BVWriteOutput(const std::string& text);
