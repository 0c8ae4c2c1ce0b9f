// BVItemSet: the rules of one item type for one scanner identifier, ready for matching.
//
// Plain rules are a hash set of folded full values (NFC, lower case): a lookup is one hash probe.
// Regular-expression rules must match the whole path, case-insensitively. So that a path that
// matches no rule does not cost one match per rule, expressions are indexed by the literal
// folder prefix they start with ("/home/u/.cache/vendor/" for "~/\.cache/vendor/.*\.tmp"): a
// lookup tries only the expressions filed under one of the path's own folder prefixes (one hash
// probe per path component). An expression without such a prefix is tried only when the path
// contains the literal text every match of it must contain (".*/thumbnails/[0-9]+" needs
// "/thumbnails/"), one substring search each. The rest are joined into one alternation, so they
// cost one match per set whatever their number (those with back references, whose numbers would
// change inside the alternation, are tried one by one). Paths and literals are compared in their
// case-folded form, the folding ICU's case-insensitive matching uses.
//
// Built by one thread, then immutable: `contains` may run on many threads at once.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class RegexPattern;
U_NAMESPACE_END

class BVItemSet {
public:
    BVItemSet();
    ~BVItemSet();

    void addPlain(const std::string& fullValue);
    // Compiles the expression case-insensitively; false (and nothing added) when it does not
    // compile.
    bool addExpression(const std::string& pattern);
    // Adds the rules of another set.
    void merge(const BVItemSet& other);
    // Builds the matching index; call once after the last addition.
    void finish();

    // `folded` is the path in the form of BVTextFolding::foldedForMatching, `nfc` its NFC form.
    // Plain values are expected in the folded form too.
    // On a match of an expression, `matchedPattern` receives its text.
    bool contains(const std::string& folded, const std::string& nfc, std::string* matchedPattern = nullptr) const;

    size_t plainCount() const { return plain_.size(); }
    size_t expressionCount() const { return expressions_.size(); }
    const std::unordered_set<std::string>& plainValues() const { return plain_; }
    std::vector<std::string> expressionPatterns() const;

    // The literal folder prefix an expression starts with, lower-cased, ending with "/"; empty
    // when the expression may begin with anything (alternation, class, wildcard at the start).
    static std::string literalFolderPrefix(const std::string& pattern);
    // The longest literal text (3 characters or more, lower-cased) that every match contains.
    static std::string requiredLiteral(const std::string& pattern);

private:
    struct Expression {
        std::string pattern;
        std::shared_ptr<icu::RegexPattern> compiled;
    };
    bool matchesOne(const Expression& expression, const std::string& nfc) const;

    std::unordered_set<std::string> plain_;
    std::vector<Expression> expressions_;
    std::unordered_map<std::string, std::vector<size_t>> byPrefix_;
    std::vector<size_t> unprefixed_;
    std::vector<std::pair<std::string, size_t>> byLiteral_;  // unprefixed, with a text every match contains
    std::vector<size_t> alone_;  // unprefixed, but with back references: never combined
    std::shared_ptr<icu::RegexPattern> combined_;
};

using BVItemSetPtr = std::shared_ptr<const BVItemSet>;
