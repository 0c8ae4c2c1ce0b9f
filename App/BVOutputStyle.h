// BVOutputStyle: how a command's human output looks: sizes as "12.3 MB" or exact byte counts,
// and colour (ticked items green, failures red, sizes bold) only when it is wanted. Colour is
// never used for JSON nor when standard output is not a terminal in the automatic mode; NO_COLOR
// (set and not empty) turns the automatic mode off, and --color always overrides both. Plain
// values; safe from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

enum class BVColorWhen { Never, Auto, Always };

std::optional<BVColorWhen> BVColorWhenNamed(const std::string& name);

struct BVOutputStyle {
    bool colour = false;
    bool exactBytes = false;

    // The decision for standard output, from the option and this process's environment.
    static BVOutputStyle forStandardOutput(BVColorWhen when, bool json, bool exactBytes);
    // The decision itself, for tests: the terminal test and the variables are given.
    static bool wantsColour(BVColorWhen when, bool json, bool outputIsTerminal, const char* noColor, const char* term);

    std::string size(uint64_t bytes) const;
    std::string ticked(const std::string& text) const;
    std::string failure(const std::string& text) const;
    std::string strong(const std::string& text) const;
};

// "1 item", "2 items".
std::string BVCountOf(size_t count, const std::string& singular, const std::string& plural = {});
