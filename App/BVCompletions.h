// Shell completion, answered by the program itself from its own option definitions: the
// scripts for bash, zsh and fish only hand the words typed so far to `brenvik __complete` and
// offer what it prints, so commands, options, their values, modules and task keys are
// completed from the same definitions that parse them. Pure functions of the definitions.
#pragma once

#include <string>
#include <vector>

#include "App/BVModuleRegistry.h"

namespace CLI {
class App;
}

// The words that can follow `words` (the command line after "brenvik", without the word being
// completed), starting with `current`, one per line. A value that is a folder or a file prints
// ":dir" or ":file" instead, for the shell's own completion of names.
std::string BVCompletionCandidates(const CLI::App& app, const BVModuleRegistry& registry, const std::vector<std::string>& words,
                                   const std::string& current);
// The script that makes `shell` (bash, zsh or fish) complete brenvik.
std::string BVCompletionScript(const std::string& shell);
