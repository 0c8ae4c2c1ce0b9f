#include "App/BVCommandLine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <set>

#include "App/BVCommands.h"
#include "App/BVCompletions.h"
#include "App/BVInterruption.h"
#include "App/BVModuleRegistry.h"
#include "App/BVSuggestions.h"
#include "Foundation/BVEnvironment.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVProgramFolders.h"
#include "KnowledgeBase/BVKnowledgeBase.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"

#ifndef BRENVIK_VERSION
#define BRENVIK_VERSION "0"
#endif

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

// The global options that take a value: what follows them is not the command.
const std::set<std::string> kGlobalOptionsWithValue = {"--home", "--root", "--layout", "--log-level", "--color"};

// The first word that is neither an option nor a global option's value: the command.
std::string commandWord(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "--") return i + 1 < argc ? argv[i + 1] : "";
        if (kGlobalOptionsWithValue.count(word)) {
            ++i;
            continue;
        }
        if (!word.empty() && word[0] == '-') continue;
        return word;
    }
    return {};
}

std::string globalOptionsFooter() {
    return "Global options (before or after the command):\n"
           "  --home DIR          use DIR as the user's home folder\n"
           "  --root DIR          prefix every system path with DIR\n"
           "  --layout LAYOUT     folder layout: macos or linux (default: this host's)\n"
           "  --log-level LEVEL   debug, info, warning, error or off\n"
           "  --color WHEN        never, auto (default) or always\n"
           "  --no-progress       do not draw progress on standard error\n"
           "  -h, --help          this help\n";
}

std::string modulesFooter(const BVModuleRegistry& registry) {
    std::string text = "Modules (MODULE, or MODULE/KEY[,KEY...] for some of its tasks):\n";
    for (const auto& m : registry.modules()) {
        std::string keys;
        for (const auto& k : m.taskKeys()) keys += (keys.empty() ? "" : ", ") + k;
        text += "  " + m.name + std::string(m.name.size() < 18 ? 18 - m.name.size() : 1, ' ') + keys + "\n";
    }
    return text;
}

// CLI11 messages, said the way the program's own are.
std::string failureMessage(const CLI::App*, const CLI::Error& e) {
    return std::string("brenvik: ") + e.what() + "\n(`brenvik help` lists the commands and their options)\n";
}

std::string versionText(const BVEnvironment& environment) {
    std::string text = "brenvik " BRENVIK_VERSION "\n";
    auto kb = environment.knowledgeBase;
    if (kb && kb->appDatabase()) text += "knowledge base " + kb->version() + " (" + kb->dbPath() + ")\n";
    else text += "knowledge base: none found\n";
    return text;
}

}  // namespace

int BVRunCommandLine(int argc, char** argv) {
    // First, before any thread exists: Ctrl-C and SIGTERM become requests to stop.
    BVInterruption interruption;

    CLI::App app{"brenvik finds data that can be removed safely, and removes what you choose.", "brenvik"};
    app.require_subcommand(0, 1);
    app.fallthrough();
    app.failure_message(failureMessage);
    app.set_help_flag("-h,--help", "Print this help and exit");

    BVModuleRegistry registry;
    BVRegisterModules(registry);

    BVGlobalOptions global;
    std::string colorWhen = "auto";
    bool showVersion = false;
    auto* homeOption = app.add_option("--home", global.home, "Use DIR as the user's home folder")->type_name("DIR");
    auto* rootOption = app.add_option("--root", global.root, "Prefix every system path with DIR")->type_name("DIR");
    app.add_option("--layout", global.layout, "Folder layout: macos or linux (default: this host's)")
        ->type_name("LAYOUT")
        ->check(CLI::IsMember({"macos", "linux"}));
    app.add_option("--log-level", global.logLevel, "Minimum log level: debug, info, warning, error, off")
        ->type_name("LEVEL")
        ->check(CLI::IsMember({"debug", "info", "warning", "warn", "error", "off"}));
    app.add_option("--color", colorWhen, "Colour: never, auto (on a terminal, unless NO_COLOR is set) or always")
        ->type_name("WHEN")
        ->check(CLI::IsMember({"never", "auto", "always"}));
    app.add_flag("--no-progress", global.noProgress, "Do not draw progress on standard error");
    app.add_flag("-V,--version", showVersion, "Print the program's and the knowledge base's versions");

    BVCommandOptions options;
    std::string treeText, sortText = "found", completionShell, helpTopic;
    auto addListingOptions = [&](CLI::App* sub, bool tree) {
        sub->add_flag("-j,--json", options.json, "Print JSON");
        sub->add_flag("--bytes", options.exactBytes, "Print sizes as exact byte counts");
        sub->add_option("--sort", sortText, "Order of listings: found (default), size or name")
            ->type_name("ORDER")
            ->check(CLI::IsMember({"found", "size", "name"}));
        if (tree) sub->add_option("--tree", treeText, "Entity levels shown below each task (default 2)")->type_name("LEVELS");
    };

    auto* modules = app.add_subcommand("modules", "List the modules, their tasks and the tasks' keys");
    modules->add_flag("-j,--json", options.json, "Print JSON");

    auto* scan = app.add_subcommand("scan", "Scan one module, or some of its tasks; nothing is removed");
    scan->add_option("MODULE", options.module, "A module, or MODULE/KEY[,KEY...]")->required();
    addListingOptions(scan, true);
    scan->add_option("--group", options.group, "large-files only: review groups by kind, size or date")
        ->type_name("BY")
        ->check(CLI::IsMember({"kind", "size", "date"}));

    auto* clean = app.add_subcommand("clean", "Rescan a module and remove its preselected items, after asking");
    clean->add_option("MODULE", options.module, "A module, or MODULE/KEY[,KEY...]")->required();
    clean->add_flag("-n,--dry-run", options.dryRun, "Show what would be removed, and stop");
    clean->add_flag("-y,--yes", options.yes, "Do not ask: remove, and quit applications that use the items");
    clean->add_option("--include", options.include, "Also remove entities whose path matches GLOB (repeatable)")
        ->type_name("GLOB")
        ->allow_extra_args(false);
    clean->add_option("--exclude", options.exclude, "Keep entities whose path matches GLOB (repeatable)")
        ->type_name("GLOB")
        ->allow_extra_args(false);
    addListingOptions(clean, false);

    auto* smart = app.add_subcommand("smart-scan", "The cleanup, protection and speed sections together");
    addListingOptions(smart, true);

    auto* ui = app.add_subcommand("ui", "The review window: scan, look, tick and clean in a browser");
    ui->add_option("--port", options.uiPort, "Listen on this port of 127.0.0.1 (default: a free one)")->check(CLI::Range(1, 65535));
    ui->add_flag("--no-open", options.uiNoOpen, "Print the address only; do not open a browser");

    auto* defaults = app.add_subcommand("defaults", "Read and change the user defaults");
    defaults->add_option("ACTION", options.defaultsAction, "read, write or delete")
        ->required()
        ->check(CLI::IsMember({"read", "write", "delete"}));
    defaults->add_option("KEY", options.defaultsKey, "The key");
    defaults->add_option("VALUE", options.defaultsValue, "The value to write");
    defaults->add_option("--type", options.defaultsType, "Type of VALUE: bool, int, float or string (default: guessed)")
        ->type_name("TYPE")
        ->check(CLI::IsMember({"bool", "int", "float", "string"}));
    defaults->add_flag("--known", options.defaultsKnown, "read: list the keys the program reads");
    defaults->add_flag("--force", options.force, "write: store a key the program does not read");
    defaults->add_flag("-j,--json", options.json, "Print JSON (read)");

    auto* kb = app.add_subcommand("kb", "The knowledge base");
    auto* kbInfo = kb->add_subcommand("info", "Knowledge-base version, path, rule counts");
    kb->require_subcommand(1);
    kbInfo->add_flag("-j,--json", options.json, "Print JSON");
    auto* kbImport = kb->add_subcommand("import-signatures", "Add SHA-256 hash signatures (HASH:SIZE:NAME lines) to your knowledge base");
    kbImport->add_option("FILE", options.signaturesFile, "The signature file")->required()->type_name("FILE");
    kbImport->add_flag("-j,--json", options.json, "Print JSON");

    auto* ignore = app.add_subcommand("ignore", "A module's ignore list: what its scans never offer");
    ignore->add_option("ACTION", options.ignoreAction, "list, add or remove")->required()->check(CLI::IsMember({"list", "add", "remove"}));
    ignore->add_option("MODULE", options.module, "The module")->required();
    ignore->add_option("VALUE", options.ignoreValue, "The path, name or pattern");
    ignore->add_flag("--regex", options.ignoreRegex, "VALUE is a regular expression");
    ignore->add_flag("-j,--json", options.json, "Print JSON");

    auto* startup = app.add_subcommand("startup", "What starts by itself: list, switch off or on, remove");
    startup->add_option("ACTION", options.startupAction, "list, disable, enable or remove")
        ->required()
        ->check(CLI::IsMember({"list", "disable", "enable", "remove"}));
    startup->add_option("ITEM", options.startupItem, "The item's name as list shows it, or its file's path");
    startup->add_flag("-j,--json", options.json, "Print JSON (list)");
    startup->add_flag("-y,--yes", options.yes, "Do not ask before removing");

    auto* version = app.add_subcommand("version", "Print the program's and the knowledge base's versions");
    auto* help = app.add_subcommand("help", "Print the help of brenvik or of one command");
    help->add_option("COMMAND", helpTopic, "The command");
    auto* completion = app.add_subcommand("completion", "Print the shell completion script for bash, zsh or fish");
    completion->add_option("SHELL", completionShell, "bash, zsh or fish")->required()->check(CLI::IsMember({"bash", "zsh", "fish"}));

    std::vector<std::string> commandNames;
    for (auto* sub : app.get_subcommands([](CLI::App*) { return true; })) {
        commandNames.push_back(sub->get_name());
        std::string footer = globalOptionsFooter();
        if (sub == scan || sub == clean || sub == ignore) footer = modulesFooter(registry) + "\n" + footer;
        sub->footer(footer);
    }
    app.footer("Run `brenvik help COMMAND` for a command's options.\n\n" + modulesFooter(registry));

    // `brenvik __complete WORDS... -- CURRENT`, run by the completion scripts at every Tab.
    if (argc >= 2 && std::string(argv[1]) == "__complete") {
        int separator = argc - 1;
        while (separator > 1 && std::string(argv[separator]) != "--") --separator;
        if (separator > 1) {
            std::string current = separator + 1 < argc ? argv[separator + 1] : "";
            BVWriteOutput(BVCompletionCandidates(app, registry, std::vector<std::string>(argv + 2, argv + separator), current));
            return 0;
        }
    }
    // An unknown command is named, with the closest one, before CLI11 reads the rest.
    std::string word = commandWord(argc, argv);
    if (!word.empty() && std::find(commandNames.begin(), commandNames.end(), word) == commandNames.end()) {
        std::fprintf(stderr, "brenvik: '%s' is not a command%s; `brenvik help` lists them\n", word.c_str(),
                     BVDidYouMean(word, commandNames).c_str());
        return 2;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }

    if (help->parsed()) {
        if (helpTopic.empty()) {
            // app.help() would describe the help command itself, the one parsed.
            BVWriteOutput(app.get_formatter()->make_help(&app, "brenvik", CLI::AppFormatMode::Normal));
            return 0;
        }
        auto found = std::find(commandNames.begin(), commandNames.end(), helpTopic);
        if (found == commandNames.end()) {
            std::fprintf(stderr, "brenvik: '%s' is not a command%s; `brenvik help` lists them\n", helpTopic.c_str(),
                         BVDidYouMean(helpTopic, commandNames).c_str());
            return 2;
        }
        BVWriteOutput(app.get_subcommand(helpTopic)->help("brenvik"));
        return 0;
    }
    if (completion->parsed()) {
        BVWriteOutput(BVCompletionScript(completionShell));
        return 0;
    }
    if (app.get_subcommands().empty() && !showVersion) {
        std::fputs(app.help().c_str(), stderr);
        return 2;
    }
    if (!treeText.empty()) {
        char* end = nullptr;
        long depth = std::strtol(treeText.c_str(), &end, 10);
        if (*end || depth < 0 || depth > 1000) {
            std::fprintf(stderr, "brenvik: --tree takes a number of levels, 0 or more\n");
            return 2;
        }
        options.treeDepth = int(depth);
    }
    options.sort = *BVSortOrderNamed(sortText);

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
    // The program's own files move to their current places before anything opens them.
    auto moved = BVProgramFolders::moveToCurrentPlaces(*paths);
    for (const auto& problem : moved.problems) std::fprintf(stderr, "brenvik: warning: %s\n", problem.c_str());
    // Minimum durations meant for a person watching a window only slow a command down.
    BVEnvironment::setBrkHumanFriendlyDelaysDisabled(true);
    auto environment = BVEnvironmentServices::make(paths);
    BVKnowledgeBase::setSharedInstance(environment->knowledgeBase);  // one knowledge base per run

    BVLogger::Configuration logging;
    logging.logFolder = paths->logFolder();
    BVLogLevel level = BVLogLevel::Info;
    if (!global.logLevel.empty()) BVLogger::parseLevel(global.logLevel, level);
    logging.level = level;
    // The console shows warnings unless asked for more; the file keeps the chosen level.
    logging.consoleLevel = global.logLevel.empty() ? BVLogLevel::Warning : level;
    // Standard output carries results only; log lines go to standard error.
    logging.consoleIsStandardError = true;
    BVLogger::configure(logging);
    for (const auto& done : moved.done) BVLogger::info(done);

    if (showVersion || version->parsed()) {
        BVWriteOutput(versionText(*environment));
        return 0;
    }
    BVCommandContext context{*environment, *paths, registry, global, options,
                             BVOutputStyle::forStandardOutput(*BVColorWhenNamed(colorWhen), options.json, options.exactBytes),
                             &interruption};
    if (modules->parsed()) return BVCommandModules(context);
    if (scan->parsed()) return BVCommandScan(context);
    if (clean->parsed()) return BVCommandClean(context);
    if (smart->parsed()) return BVCommandSmartScan(context);
    if (defaults->parsed()) return BVCommandDefaults(context);
    if (kbInfo->parsed()) return BVCommandKnowledgeBaseInfo(context);
    if (kbImport->parsed()) return BVCommandImportSignatures(context);
    if (ignore->parsed()) return BVCommandIgnore(context);
    if (startup->parsed()) return BVCommandStartup(context);
    if (ui->parsed()) return BVCommandUI(context);
    return 2;
}
