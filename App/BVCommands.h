// The command-line commands. Each writes its output (text or one JSON document) to standard
// output, messages for the user to standard error, and answers the exit status.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "App/BVModuleRegistry.h"
#include "App/BVOutputStyle.h"
#include "App/BVScanRunner.h"
#include "App/BVSortOrder.h"
#include "Foundation/BVEnvironment.h"
#include "Foundation/BVPaths.h"

class BVInterruption;

struct BVGlobalOptions {
    std::string home, root, layout, logLevel;
    bool noProgress = false;
};

struct BVCommandOptions {
    bool json = false;
    bool exactBytes = false;                        // --bytes
    BVSortOrder sort = BVSortOrder::Found;          // --sort size|name
    std::string module;                             // MODULE or MODULE/KEY[,KEY...]
    int treeDepth = 2;
    std::string group;  // scan large-files --group kind|size|date
    std::string defaultsAction, defaultsKey, defaultsValue, defaultsType;
    bool defaultsKnown = false;  // defaults read --known
    bool force = false;          // defaults write --force
    std::string ignoreAction, ignoreValue;
    bool ignoreRegex = false;
    std::vector<std::string> include, exclude;
    bool dryRun = false, yes = false;
    std::string startupAction, startupItem;  // startup list|disable|enable|remove [ITEM]
    std::string signaturesFile;              // kb import-signatures FILE
    int uiPort = 0;                          // ui --port
    bool uiNoOpen = false;                   // ui --no-open
};

struct BVCommandContext {
    const BVEnvironment& environment;
    const BVPaths& paths;
    const BVModuleRegistry& registry;
    const BVGlobalOptions& global;
    const BVCommandOptions& options;
    BVOutputStyle style;                         // of standard output
    BVInterruption* interruption = nullptr;      // Ctrl-C and SIGTERM; none in some tests
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
int BVCommandImportSignatures(const BVCommandContext& context);
int BVCommandIgnore(const BVCommandContext& context);
int BVCommandStartup(const BVCommandContext& context);
int BVCommandUI(const BVCommandContext& context);

class BVKnowledgeBase;
// The knowledge base of this run, or none after telling the user which files were tried (the
// commands that need it then stop with status 3).
std::shared_ptr<BVKnowledgeBase> BVOpenKnowledgeBase(const BVCommandContext& context);

// The module the command names, or none after telling the user (the command then stops with
// status 2).
const BVModule* BVModuleNamedOrExplain(const BVCommandContext& context);

// What MODULE/KEY[,KEY...] names: the module and the keys of the tasks chosen (none: all).
struct BVModuleChoice {
    const BVModule* module = nullptr;
    std::vector<std::string> keys;
};
// The module and tasks the command names, or a choice without a module after telling the user
// what is wrong (the command then stops with status 2).
BVModuleChoice BVModuleChoiceOrExplain(const BVCommandContext& context);

// Writes text to standard output in full.
void BVWriteOutput(const std::string& text);
