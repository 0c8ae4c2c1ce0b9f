#include "KnowledgeBase/BVItemSet.h"

#include <unicode/regex.h>

#include <cctype>
#include <cstring>

BVItemSet::BVItemSet() = default;
BVItemSet::~BVItemSet() = default;

namespace {

std::shared_ptr<icu::RegexPattern> compile(const std::string& pattern) {
    UParseError parseError;
    UErrorCode status = U_ZERO_ERROR;
    std::shared_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(pattern), UREGEX_CASE_INSENSITIVE, parseError, status));
    if (U_FAILURE(status)) return nullptr;
    return compiled;
}

// Walks the pattern at nesting depth 0, skipping groups and character classes; calls
// `onTopLevel(index)` for every top-level character that is not escaped.
template <typename F>
void walkTopLevel(const std::string& pattern, F&& onTopLevel) {
    int depth = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '\\') {
            if (depth == 0) onTopLevel(i);
            ++i;
            continue;
        }
        if (c == '[') {
            size_t j = i + 1;
            if (j < pattern.size() && pattern[j] == '^') ++j;
            if (j < pattern.size() && pattern[j] == ']') ++j;
            for (int classDepth = 1; j < pattern.size() && classDepth > 0; ++j) {
                if (pattern[j] == '\\') ++j;
                else if (pattern[j] == '[') ++classDepth;
                else if (pattern[j] == ']') --classDepth;
            }
            if (depth == 0) onTopLevel(i);
            i = j - 1;
            continue;
        }
        if (c == '(') {
            if (depth == 0) onTopLevel(i);
            ++depth;
        } else if (c == ')') {
            if (depth > 0) --depth;
        } else if (depth == 0) {
            onTopLevel(i);
        }
    }
}

// An alternation at the top level gives the pattern more than one beginning.
bool hasTopLevelAlternation(const std::string& pattern) {
    bool found = false;
    walkTopLevel(pattern, [&](size_t i) { found = found || pattern[i] == '|'; });
    return found;
}

}  // namespace

// Only top-level characters count: a group or a class may match in many ways, and a quantified
// character may be absent.
std::string BVItemSet::requiredLiteral(const std::string& pattern) {
    if (hasTopLevelAlternation(pattern)) return {};
    std::string best, run;
    auto endRun = [&] {
        if (run.size() > best.size()) best = run;
        run.clear();
    };
    walkTopLevel(pattern, [&](size_t i) {
        unsigned char c = static_cast<unsigned char>(pattern[i]);
        if (c == '*' || c == '?' || c == '{') {
            // The item before may be absent: take it back out of the run.
            if (!run.empty()) run.pop_back();
            endRun();
        } else if (c == '+') {
            endRun();
        } else if (c == '\\') {
            unsigned char escaped = i + 1 < pattern.size() ? static_cast<unsigned char>(pattern[i + 1]) : 0;
            if (escaped && escaped < 0x80 && !std::isalnum(escaped)) run += char(escaped);
            else endRun();
        } else if (c >= 0x80 || std::strchr(".[()^$|", char(c))) {
            endRun();
        } else {
            run += char(std::tolower(c));
        }
    });
    endRun();
    return best.size() >= 3 ? best : std::string();
}

namespace {

bool hasBackReference(const std::string& pattern) {
    for (size_t i = 0; i + 1 < pattern.size(); ++i) {
        if (pattern[i] != '\\') continue;
        char next = pattern[i + 1];
        if ((next >= '1' && next <= '9') || next == 'k') return true;
        ++i;
    }
    return false;
}

}  // namespace

std::string BVItemSet::literalFolderPrefix(const std::string& pattern) {
    if (hasTopLevelAlternation(pattern)) return {};
    std::string literal;
    size_t i = pattern.size() > 0 && pattern[0] == '^' ? 1 : 0;
    while (i < pattern.size()) {
        unsigned char c = static_cast<unsigned char>(pattern[i]);
        size_t next = i + 1;
        if (c == '\\') {
            if (next >= pattern.size()) break;
            unsigned char escaped = static_cast<unsigned char>(pattern[next]);
            // Escaped punctuation is itself; letters and digits are classes or commands (\d, \Q).
            if (escaped >= 0x80 || std::isalnum(escaped)) break;
            c = escaped;
            next = i + 2;
        } else if (c >= 0x80 || std::strchr(".[](){}*+?|^$", char(c))) {
            break;
        }
        if (next < pattern.size()) {
            char after = pattern[next];
            if (after == '*' || after == '?' || after == '{') break;
            if (after == '+') {
                literal += char(std::tolower(c));
                break;
            }
        }
        literal += char(std::tolower(c));
        i = next;
    }
    size_t slash = literal.rfind('/');
    return slash == std::string::npos ? std::string() : literal.substr(0, slash + 1);
}

void BVItemSet::addPlain(const std::string& fullValue) { plain_.insert(fullValue); }

bool BVItemSet::addExpression(const std::string& pattern) {
    auto compiled = compile(pattern);
    if (!compiled) return false;
    expressions_.push_back({pattern, std::move(compiled)});
    return true;
}

void BVItemSet::merge(const BVItemSet& other) {
    plain_.insert(other.plain_.begin(), other.plain_.end());
    expressions_.insert(expressions_.end(), other.expressions_.begin(), other.expressions_.end());
}

void BVItemSet::finish() {
    byPrefix_.clear();
    unprefixed_.clear();
    alone_.clear();
    byLiteral_.clear();
    combined_.reset();
    for (size_t i = 0; i < expressions_.size(); ++i) {
        std::string prefix = literalFolderPrefix(expressions_[i].pattern);
        if (!prefix.empty()) byPrefix_[prefix].push_back(i);
        else if (std::string literal = requiredLiteral(expressions_[i].pattern); !literal.empty()) byLiteral_.emplace_back(literal, i);
        else if (hasBackReference(expressions_[i].pattern)) alone_.push_back(i);
        else unprefixed_.push_back(i);
    }
    if (unprefixed_.size() > 1) {
        // Each member stays a group of its own. Should the alternation not compile (a named group
        // used twice, say), `combined_` stays empty and the members are tried one by one.
        std::string alternation;
        for (size_t index : unprefixed_) {
            if (!alternation.empty()) alternation += '|';
            alternation += "(?:" + expressions_[index].pattern + ")";
        }
        combined_ = compile(alternation);
    }
}

bool BVItemSet::matchesOne(const Expression& expression, const std::string& nfc) const {
    // The matcher keeps a reference to its input: the text must outlive it.
    icu::UnicodeString input = icu::UnicodeString::fromUTF8(nfc);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(expression.compiled->matcher(input, status));
    if (U_FAILURE(status)) return false;
    bool matched = matcher->matches(status);
    return U_SUCCESS(status) && matched;
}

bool BVItemSet::contains(const std::string& folded, const std::string& nfc, std::string* matchedPattern) const {
    if (plain_.count(folded)) return true;
    if (expressions_.empty()) return false;
    auto tryIndexes = [&](const std::vector<size_t>& indexes) {
        for (size_t index : indexes) {
            if (matchesOne(expressions_[index], nfc)) {
                if (matchedPattern) *matchedPattern = expressions_[index].pattern;
                return true;
            }
        }
        return false;
    };
    if (!byPrefix_.empty()) {
        for (size_t slash = folded.find('/'); slash != std::string::npos; slash = folded.find('/', slash + 1)) {
            auto found = byPrefix_.find(folded.substr(0, slash + 1));
            if (found != byPrefix_.end() && tryIndexes(found->second)) return true;
        }
    }
    for (const auto& [literal, index] : byLiteral_) {
        if (folded.find(literal) != std::string::npos && matchesOne(expressions_[index], nfc)) {
            if (matchedPattern) *matchedPattern = expressions_[index].pattern;
            return true;
        }
    }
    if (tryIndexes(alone_)) return true;
    if (unprefixed_.empty()) return false;
    if (combined_) {
        Expression whole{"", combined_};
        if (!matchesOne(whole, nfc)) return false;
        // The alternation says that one member matches; find which (rare: only on a hit).
        if (!matchedPattern) return true;
    }
    return tryIndexes(unprefixed_);
}

std::vector<std::string> BVItemSet::expressionPatterns() const {
    std::vector<std::string> patterns;
    for (const auto& e : expressions_) patterns.push_back(e.pattern);
    return patterns;
}
