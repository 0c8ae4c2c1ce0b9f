#include "App/BVCommandLine.h"

#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>

#include "App/BVCommands.h"
#include "App/BVModuleRegistry.h"
#include "Foundation/BVEnvironment.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPaths.h"
#include "KnowledgeBase/BVKnowledgeBase.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"

namespace {

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string absolute(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char buffer[4096];
    if (!::getcwd(buffer, sizeof buffer)) return path;
    return std::string(buffer) + "/" + path;
}

}  // namespace

int BVRunCommandLine(int argc, char** argv) {
    CLI::App app{"Brenvik: finds data that can be removed safely, and removes what you choose."};
    app.require_subcommand(1);
    app.fallthrough();

    BVGlobalOptions global;
    auto* homeOption = app.add_option("--home", global.home, "Use DIR as the user's home folder");
    auto* rootOption = app.add_option("--root", global.root, "Prefix every system path with DIR");
    app.add_option("--layout", global.layout, "Folder layout: macos or linux (default: this host's)")
        ->check(CLI::IsMember({"macos", "linux"}));
    app.add_option("--log-level", global.logLevel, "Minimum log level: debug, info, warning, error, off")
        ->check(CLI::IsMember({"debug", "info", "warning", "warn", "error", "off"}));
    app.add_flag("--no-progress", global.noProgress, "Do not draw progress on standard error");

    BVModuleRegistry registry;
    BVRegisterModules(registry);

    BVCommandOptions options;
    auto* modules = app.add_subcommand("modules", "List modules and their scan tasks");
    modules->add_flag("--json", options.json, "Print JSON");

    auto* scan = app.add_subcommand("scan", "Scan one module; nothing is removed");
    scan->add_option("MODULE", options.module, "Module name")->required();
    scan->add_flag("--json", options.json, "Print JSON");
    scan->add_option("--tree", options.treeDepth, "Entity levels shown below each task")->check(CLI::NonNegativeNumber);
    scan->add_option("--group", options.group, "large-files only: review groups by kind, size or date")
        ->check(CLI::IsMember({"kind", "size", "date"}));

    auto* clean = app.add_subcommand("clean", "Rescan a module and remove its preselected items, after asking");
    clean->add_option("MODULE", options.module, "Module name")->required();
    clean->add_flag("--dry-run", options.dryRun, "Show what would be removed, and stop");
    clean->add_flag("--yes", options.yes, "Do not ask: remove, and quit applications that use the items");
    clean->add_option("--include", options.include, "Also remove entities whose path matches GLOB (repeatable)")
        ->allow_extra_args(false);
    clean->add_option("--exclude", options.exclude, "Keep entities whose path matches GLOB (repeatable)")
        ->allow_extra_args(false);
    clean->add_flag("--json", options.json, "Print the report as JSON");

    auto* smart = app.add_subcommand("smart-scan", "The cleanup, protection and speed sections together");
    smart->add_flag("--json", options.json, "Print JSON");
    smart->add_option("--tree", options.treeDepth, "Entity levels shown below each task")->check(CLI::NonNegativeNumber);

    auto* defaults = app.add_subcommand("defaults", "Read and change the user defaults");
    defaults->add_option("ACTION", options.defaultsAction, "read, write or delete")
        ->required()
        ->check(CLI::IsMember({"read", "write", "delete"}));
    defaults->add_option("KEY", options.defaultsKey, "The key");
    defaults->add_option("VALUE", options.defaultsValue, "The value to write");
    defaults->add_option("--type", options.defaultsType, "Type of VALUE: bool, int, float or string (default: guessed)")
        ->check(CLI::IsMember({"bool", "int", "float", "string"}));

    auto* kb = app.add_subcommand("kb", "The knowledge base");
    auto* kbInfo = kb->add_subcommand("info", "Knowledge-base version, path, rule counts");
    kb->require_subcommand(1);
    kbInfo->add_flag("--json", options.json, "Print JSON");
    auto* ignore = app.add_subcommand("ignore", "The module's ignore list");
    ignore->add_option("ACTION", options.ignoreAction, "list, add or remove")->required()->check(CLI::IsMember({"list", "add", "remove"}));
    ignore->add_option("MODULE", options.module, "Module name")->required();
    ignore->add_option("VALUE", options.ignoreValue, "The path, name or pattern");
    ignore->add_flag("--regex", options.ignoreRegex, "VALUE is a regular expression");
    ignore->add_flag("--json", options.json, "Print JSON");

    auto* startup = app.add_subcommand("startup", "What starts by itself: list, switch off or on, remove");
    startup->add_option("ACTION", options.startupAction, "list, disable, enable or remove")
        ->required()
        ->check(CLI::IsMember({"list", "disable", "enable", "remove"}));
    startup->add_option("ITEM", options.startupItem, "The item's name as list shows it, or its file's path");
    startup->add_flag("--json", options.json, "Print JSON (list)");
    startup->add_flag("--yes", options.yes, "Do not ask before removing");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }

    // An empty value (often an unset variable, as in --home "$FIXTURE") must not quietly mean
    // the real home or the real system.
    for (auto* option : {homeOption, rootOption}) {
        if (option->count() > 0 && option->as<std::string>().empty()) {
            std::fprintf(stderr, "brenvik: %s needs a folder; an empty value is not one\n", option->get_name().c_str());
            return 2;
        }
    }
    BVLayout layout = BVPaths::hostLayout();
    if (!global.layout.empty()) layout = *BVPaths::layoutNamed(global.layout);
    std::string home = global.home.empty() ? BVPaths::sharedInstance()->home() : absolute(global.home);
    if (home.empty() || home == "/") {
        std::fprintf(stderr, "brenvik: cannot tell which folder is your home (HOME is not set); use --home DIR\n");
        return 2;
    }
    std::string root = absolute(global.root);
    if (!isDirectory(home)) {
        std::fprintf(stderr, "brenvik: the home folder %s is not a folder\n", home.c_str());
        return 2;
    }
    if (!root.empty() && !isDirectory(root)) {
        std::fprintf(stderr, "brenvik: the root folder %s is not a folder\n", root.c_str());
        return 2;
    }
    auto paths = std::make_shared<const BVPaths>(layout, home, root);
    // Code that is handed no environment reaches for the shared instances: they are this run's too.
    BVPaths::setSharedInstance(paths);
    // Minimum durations meant for a person watching a window only slow a command down.
    BVEnvironment::setBrkHumanFriendlyDelaysDisabled(true);
    auto environment = BVEnvironmentServices::make(paths);
    BVKnowledgeBase::setSharedInstance(environment->knowledgeBase);  // one knowledge base per run

    BVLogger::Configuration logging;
    logging.logsFolder = paths->logsFolder();
    BVLogLevel level = BVLogLevel::Info;
    if (!global.logLevel.empty()) BVLogger::parseLevel(global.logLevel, level);
    logging.level = level;
    // The console shows warnings unless asked for more; the file keeps the chosen level.
    logging.consoleLevel = global.logLevel.empty() ? BVLogLevel::Warning : level;
    // Standard output carries results only; log lines go to standard error.
    logging.consoleIsStandardError = true;
    BVLogger::configure(logging);

    BVCommandContext context{*environment, *paths, registry, global, options};
    if (modules->parsed()) return BVCommandModules(context);
    if (scan->parsed()) return BVCommandScan(context);
    if (clean->parsed()) return BVCommandClean(context);
    if (smart->parsed()) return BVCommandSmartScan(context);
    if (defaults->parsed()) return BVCommandDefaults(context);
    if (kbInfo->parsed()) return BVCommandKnowledgeBaseInfo(context);
    if (ignore->parsed()) return BVCommandIgnore(context);
    if (startup->parsed()) return BVCommandStartup(context);
    return 2;
}
