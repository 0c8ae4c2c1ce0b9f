#include "App/BVCompletions.h"

#include <CLI/CLI.hpp>
#include <algorithm>

namespace {

bool takesValue(const CLI::Option* option) { return option->get_type_size_max() > 0; }

std::vector<std::string> namesOf(const CLI::Option* option) {
    std::vector<std::string> names;
    for (const auto& s : option->get_snames()) names.push_back("-" + s);
    for (const auto& l : option->get_lnames()) names.push_back("--" + l);
    return names;
}

const CLI::Option* optionNamed(const CLI::App* app, const std::string& word) {
    std::string name = word.substr(0, word.find('='));
    for (; app; app = app->get_parent())
        for (const auto* option : app->get_options())
            for (const auto& n : namesOf(option))
                if (n == name) return option;
    return nullptr;
}

std::vector<const CLI::Option*> positionalsOf(const CLI::App* app) {
    return app->get_options([](const CLI::Option* o) { return o->get_positional() && !o->nonpositional(); });
}

std::vector<const CLI::App*> visibleSubcommands(const CLI::App* app) {
    return app->get_subcommands([](const CLI::App* sub) { return !sub->get_group().empty(); });
}

// The values an option or positional takes: the members its check allows ("NAME:{a,b}"), the
// modules and their tasks, or a folder or file name.
std::vector<std::string> valuesOf(const CLI::Option* option, const BVModuleRegistry& registry) {
    std::string type = option->get_type_name();
    std::string name = type.substr(0, type.find(':'));
    if (name == "DIR") return {":dir"};
    if (name == "GLOB" || name == "FILE") return {":file"};
    if (option->get_name() == "MODULE") {
        std::vector<std::string> out;
        for (const auto& m : registry.modules()) {
            out.push_back(m.name);
            for (const auto& key : m.taskKeys()) out.push_back(m.name + "/" + key);
        }
        return out;
    }
    size_t open = type.find(":{");
    if (open == std::string::npos || type.back() != '}') return {};
    std::vector<std::string> out;
    std::string members = type.substr(open + 2, type.size() - open - 3);
    size_t start = 0;
    for (;;) {
        size_t comma = members.find(',', start);
        out.push_back(members.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return out;
        start = comma + 1;
    }
}

}  // namespace

std::string BVCompletionCandidates(const CLI::App& top, const BVModuleRegistry& registry, const std::vector<std::string>& words,
                                   const std::string& current) {
    const CLI::App* app = &top;
    const CLI::Option* pendingValue = nullptr;
    size_t positional = 0;
    for (const auto& word : words) {
        if (pendingValue) {
            pendingValue = nullptr;
            continue;
        }
        if (!word.empty() && word[0] == '-') {
            const CLI::Option* option = optionNamed(app, word);
            if (option && takesValue(option) && word.find('=') == std::string::npos) pendingValue = option;
            continue;
        }
        const CLI::App* sub = nullptr;
        for (const auto* s : visibleSubcommands(app))
            if (s->get_name() == word) sub = s;
        if (sub && positional == 0) app = sub;
        else ++positional;
    }
    std::vector<std::string> candidates;
    if (pendingValue) {
        candidates = valuesOf(pendingValue, registry);
    } else if (!current.empty() && current[0] == '-') {
        for (const CLI::App* a = app; a; a = a->get_parent())
            for (const auto* option : a->get_options())
                if (option->nonpositional())
                    for (const auto& n : namesOf(option)) candidates.push_back(n);
    } else if (auto subs = visibleSubcommands(app); !subs.empty() && positional == 0 && positionalsOf(app).empty()) {
        for (const auto* s : subs) candidates.push_back(s->get_name());
    } else if (auto positionals = positionalsOf(app); positional < positionals.size()) {
        candidates = valuesOf(positionals[positional], registry);
    }
    std::string out;
    std::vector<std::string> given;
    for (const auto& c : candidates) {
        if (std::find(given.begin(), given.end(), c) != given.end()) continue;
        given.push_back(c);
        if (c[0] == ':' || c.compare(0, current.size(), current) == 0) out += c + "\n";
    }
    return out;
}

std::string BVCompletionScript(const std::string& shell) {
    if (shell == "bash")
        return R"(# bash completion for brenvik
_brenvik() {
    local cur="${COMP_WORDS[COMP_CWORD]}" line
    COMPREPLY=()
    while IFS= read -r line; do
        case "$line" in
            :dir) COMPREPLY+=($(compgen -d -- "$cur")) ;;
            :file) COMPREPLY+=($(compgen -f -- "$cur")) ;;
            *) COMPREPLY+=("$line") ;;
        esac
    done < <("${COMP_WORDS[0]}" __complete "${COMP_WORDS[@]:1:COMP_CWORD-1}" -- "$cur" 2>/dev/null)
}
complete -o filenames -F _brenvik brenvik
)";
    if (shell == "zsh")
        return R"(#compdef brenvik
# zsh completion for brenvik
_brenvik() {
    local -a candidates
    local line
    for line in "${(@f)$(${words[1]} __complete "${(@)words[2,CURRENT-1]}" -- "${words[CURRENT]}" 2>/dev/null)}"; do
        case "$line" in
            :dir) _files -/ ;;
            :file) _files ;;
            ?*) candidates+=("$line") ;;
        esac
    done
    (( ${#candidates} )) && compadd -- "${candidates[@]}"
}
if [ "$funcstack[1]" = "_brenvik" ]; then
    _brenvik "$@"
else
    compdef _brenvik brenvik
fi
)";
    if (shell == "fish")
        return R"(# fish completion for brenvik
function __brenvik_complete
    set -l words (commandline -opc)
    set -e words[1]
    for line in (brenvik __complete $words -- (commandline -ct) 2>/dev/null)
        switch $line
            case :dir
                __fish_complete_directories (commandline -ct)
            case :file
                __fish_complete_path (commandline -ct)
            case '*'
                echo $line
        end
    end
end
complete -c brenvik -f -a '(__brenvik_complete)'
)";
    return {};
}
