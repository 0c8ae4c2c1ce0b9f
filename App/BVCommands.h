// The command-line commands. Each writes its output (text or one JSON document) to standard
// output, messages for the user to standard error, and answers the exit status.
#pragma once

#include <string>

#include "App/BVModuleRegistry.h"
#include "Foundation/BVPaths.h"

struct BVGlobalOptions {
    std::string home, root, layout, logLevel;
    bool noProgress = false;
};

struct BVCommandOptions {
    bool json = false;
    std::string module;
    int treeDepth = 2;
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
int BVCommandSmartScan(const BVCommandContext& context);
int BVCommandDefaults(const BVCommandContext& context);
int BVCommandKnowledgeBaseInfo(const BVCommandContext& context);
int BVCommandIgnore(const BVCommandContext& context);

// Writes text to standard output in full.
void BVWriteOutput(const std::string& text);
