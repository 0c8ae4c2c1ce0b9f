// BVKeepRule: the paths a clean must leave in place although they lie inside an item that is
// removed: what the user excluded (--exclude) and what the user's ignore list names. Literal
// paths and shell patterns ("*" also crosses "/"), all absolute and normal. The removal asks
// `mayHoldKept` of each folder before it looks at single entries, so a rule costs nothing in
// folders it cannot reach. Immutable after construction; safe from any thread.
#pragma once

#include <string>
#include <vector>

class BVKeepRule {
public:
    BVKeepRule() = default;
    BVKeepRule(std::vector<std::string> paths, std::vector<std::string> patterns);

    bool empty() const { return paths_.empty() && patterns_.empty(); }
    // True when `path` itself is to stay.
    bool keeps(const std::string& path) const;
    // True when something below `folder` may be to stay.
    bool mayHoldKept(const std::string& folder) const;
    // The literal paths and patterns that lie inside `folder` or may match below it.
    std::vector<std::string> rulesInside(const std::string& folder) const;

    // True when `text` has a shell-pattern character.
    static bool isPattern(const std::string& text);

private:
    std::vector<std::string> paths_;
    std::vector<std::string> patterns_;
    std::vector<std::string> patternPrefixes_;  // each pattern's text before its first wildcard
};
