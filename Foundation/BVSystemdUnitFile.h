// BVSystemdUnitFile: a systemd unit file (".service" and its drop-ins) read as the service
// manager reads it: "[Section]" headers, "Key=value" assignments (whitespace around "=" ignored),
// "#" and ";" comments, and a backslash at the end of a line joining it with the next. Like the
// manager, a line it cannot use (no "=", an assignment before any section) is skipped and noted
// in `warnings`; only text that is not a unit file at all (NUL bytes, not UTF-8) fails.
//
// BVSystemdCommand splits an ExecStart= value into its prefixes ("-", "@", "+", "!", "!!",
// ":"), the program and the arguments, with the manager's quoting ("..." and '...') and C
// escapes. Values; not thread-safe; copy to share.
#pragma once

#include <optional>
#include <string>
#include <vector>

class BVSystemdUnitFile {
public:
    static std::optional<BVSystemdUnitFile> parse(const std::string& text, std::string* error = nullptr);

    // A drop-in's assignments come after the unit's own, so they win.
    void append(const BVSystemdUnitFile& dropIn);

    // The assignments of a list setting in order, an empty assignment clearing what came before
    // (as ExecStart= and Environment= are read).
    std::vector<std::string> values(const std::string& section, const std::string& key) const;
    // The last assignment of a key; none when it has none.
    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    bool hasSection(const std::string& section) const;
    const std::vector<std::string>& warnings() const { return warnings_; }

private:
    struct Assignment {
        std::string section, key, value;
    };
    std::vector<Assignment> assignments_;
    std::vector<std::string> sections_;
    std::vector<std::string> warnings_;
};

struct BVSystemdCommand {
    std::string prefixes;                // the special characters before the program, as written
    std::string program;                 // unquoted and unescaped, specifiers not expanded
    std::vector<std::string> arguments;  // the words after the program
};

// The first command of an ExecStart= value; none (with the reason) when it is empty or its
// quoting is not closed.
std::optional<BVSystemdCommand> BVSystemdCommandFromExecLine(const std::string& value, std::string* error = nullptr);

// What the specifiers of a unit stand for.
struct BVSystemdSpecifiers {
    std::string home, userName, uid, unitName;
};
// `text` with %h %u %U %n %N %p %% replaced; none when another specifier is left (its value
// depends on the running manager, so the path cannot be judged).
std::optional<std::string> BVSystemdExpandSpecifiers(const std::string& text, const BVSystemdSpecifiers& specifiers);

// Where the manager looks up a program given by its bare name: the folders of the unit's own
// PATH when an Environment= line sets one, else the manager's fixed search path.
std::vector<std::string> BVSystemdSearchPath(const BVSystemdUnitFile& unit);
