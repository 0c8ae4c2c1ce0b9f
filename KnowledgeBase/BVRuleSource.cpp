#include "KnowledgeBase/BVRuleSource.h"

#include <unicode/regex.h>

#include <map>
#include <sstream>

#include "Foundation/BVASCIICase.h"
#include "KnowledgeBase/BVItemSet.h"

namespace {

const std::map<std::string, int64_t> kItemTypeNames = {
    {"quitting-file", 0}, {"application-file", 1}, {"protected", 2},        {"black", 3},
    {"gray", 4},          {"deep-search", 5},      {"system-file", 6},      {"selection-memory", 7},
    {"suite", 8},         {"globally-excluded", 9}, {"stored-statement", 11},
};

std::string trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return {};
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

bool parseNumber(const std::string& text, uint64_t& number) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 19) return false;
    number = std::stoull(text);
    return true;
}

bool fail(std::string* error, const std::string& origin, int line, const std::string& message) {
    if (error) *error = origin + ":" + std::to_string(line) + ": " + message;
    return false;
}

// The parts of a malware rule's value, split at " | ".
std::vector<std::string> parts(const std::string& value) {
    std::string padded = " " + value + " ";
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t bar; (bar = padded.find(" | ", start)) != std::string::npos; start = bar + 3)
        out.push_back(trim(padded.substr(start, bar - start)));
    out.push_back(trim(padded.substr(start)));
    return out;
}

// As the scan compiles them: case-sensitive ICU expressions.
bool compiles(const std::string& expression) {
    if (expression.empty()) return true;
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError;
    std::unique_ptr<icu::RegexPattern> pattern(
        icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(expression), 0, parseError, status));
    return U_SUCCESS(status) && pattern;
}

bool parseMalwareRule(const std::string& word, const std::string& value, BVMalwareRecord& family, std::string& message) {
    auto p = parts(value);
    if (word == "hash") {
        std::istringstream fields(value);
        std::string hash, size, extra;
        fields >> hash >> size >> extra;
        uint64_t bytes = 0;
        if (!BVRuleSource::isSHA256Text(hash) || !parseNumber(size, bytes) || !extra.empty())
            return (message = "a hash rule is 'hash SHA256 SIZE'"), false;
        family.hashes.push_back({BVASCIILowercase(hash), bytes});
    } else if (word == "extension") {
        if (p.size() != 1 || p[0].empty()) return (message = "an extension rule is one expression"), false;
        if (!compiles(p[0])) return (message = "the regular expression does not compile"), false;
        family.extensionRegexes.push_back(p[0]);
    } else if (word == "agent") {
        if (p.size() != 2 || (p[0].empty() && p[1].empty()))
            return (message = "an agent rule is 'NAME-REGEX | CONTENTS-REGEX' with at least one part"), false;
        if (!compiles(p[0]) || !compiles(p[1])) return (message = "a regular expression does not compile"), false;
        family.agents.push_back({p[0], p[1]});
    } else {
        if (p.size() != 5 || p[0].empty())
            return (message = "a file rule is 'PATH | NAME-REGEX | CONTENTS-REGEX | MAX-SIZE | SHA256'"), false;
        BVMalwareRecord::Path rule{p[0], p[1], p[2], BVASCIILowercase(p[4]), std::nullopt};
        if (!compiles(rule.nameRegex) || !compiles(rule.contentsRegex))
            return (message = "a regular expression does not compile"), false;
        uint64_t maxSize = 0;
        if (!p[3].empty()) {
            if (!parseNumber(p[3], maxSize)) return (message = "the largest size is a number"), false;
            rule.maxSize = int64_t(maxSize);
        }
        if (!rule.hash.empty() && !BVRuleSource::isSHA256Text(rule.hash))
            return (message = "the digest is 64 hexadecimal digits"), false;
        family.paths.push_back(std::move(rule));
    }
    return true;
}

}  // namespace

namespace BVRuleSource {

bool isSHA256Text(const std::string& text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

bool parseRules(const std::string& text, const std::string& origin, std::vector<BVRuleRecord>& rules, std::string* error,
                BVMalwareSource* malware) {
    BVMalwareRecord* family = nullptr;
    std::istringstream lines(text);
    std::string raw;
    int number = 0;
    BVRuleRecord context;
    bool haveType = false;
    // The stored statement whose "|" lines are being read, as an index into `rules`.
    std::optional<size_t> statement;
    std::string statementText;
    auto finishStatement = [&]() {
        if (!statement) return true;
        if (statementText.empty()) return fail(error, origin, number, "the statement " + rules[*statement].value + " has no text");
        rules[*statement].additionalInfo = BVValue(BVDictionary{{"BVPrivacyQueryFormat", BVValue(statementText)}});
        statement.reset();
        statementText.clear();
        return true;
    };
    while (std::getline(lines, raw)) {
        ++number;
        std::string line = trim(raw);
        if (!line.empty() && line[0] == '|') {
            if (!statement) return fail(error, origin, number, "a '|' line outside a statement");
            if (!statementText.empty()) statementText += '\n';
            statementText += trim(line.substr(1));
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        if (!finishStatement()) return false;
        size_t colon = line.find(':');
        std::string word = line.substr(0, line.find(' '));
        if (word == "path" || word == "regex") {
            if (!haveType) return fail(error, origin, number, "a rule before any 'type:' line");
            std::string rest = line.substr(word.size());
            size_t separator = rest.find(" -- ");
            if (separator == std::string::npos || trim(rest.substr(separator + 4)).empty())
                return fail(error, origin, number, "the rule has no reason (' -- why')");
            BVRuleRecord rule = context;
            rule.value = trim(rest.substr(0, separator));
            rule.reason = trim(rest.substr(separator + 4));
            rule.isRegex = word == "regex";
            rule.origin = origin + ":" + std::to_string(number);
            if (rule.value.empty()) return fail(error, origin, number, "the rule has no value");
            if (rule.isRegex) {
                BVItemSet probe;
                if (!probe.addExpression(rule.value)) return fail(error, origin, number, "the regular expression does not compile");
            }
            rules.push_back(std::move(rule));
            continue;
        }
        if (word == "hash" || word == "extension" || word == "agent" || word == "file") {
            std::string rest = line.substr(word.size());
            size_t separator = rest.find(" -- ");
            if (separator == std::string::npos || trim(rest.substr(separator + 4)).empty())
                return fail(error, origin, number, "the rule has no reason (' -- why')");
            if (!family) return fail(error, origin, number, "a malware rule outside a 'malware:' section");
            std::string message;
            if (!parseMalwareRule(word, trim(rest.substr(0, separator)), *family, message))
                return fail(error, origin, number, message);
            continue;
        }
        if (word == "statement") {
            std::string rest = line.substr(word.size());
            size_t separator = rest.find(" -- ");
            if (separator == std::string::npos || trim(rest.substr(separator + 4)).empty())
                return fail(error, origin, number, "the statement has no reason (' -- why')");
            if (!haveType || context.itemType != 11) return fail(error, origin, number, "a statement outside 'type: stored-statement'");
            if (context.bundleID.empty()) return fail(error, origin, number, "a statement outside an 'app:' section");
            BVRuleRecord rule = context;
            rule.value = trim(rest.substr(0, separator));
            rule.reason = trim(rest.substr(separator + 4));
            rule.origin = origin + ":" + std::to_string(number);
            if (rule.value.empty() || rule.value.find(' ') != std::string::npos)
                return fail(error, origin, number, "a statement's key is one word");
            rules.push_back(std::move(rule));
            statement = rules.size() - 1;
            continue;
        }
        if (word == "executable") {
            std::string rest = line.substr(word.size());
            size_t separator = rest.find(" -- ");
            if (separator == std::string::npos || trim(rest.substr(separator + 4)).empty())
                return fail(error, origin, number, "the executable has no reason (' -- why')");
            if (context.bundleID.empty()) return fail(error, origin, number, "an executable outside an 'app:' section");
            BVRuleRecord executable = context;
            executable.isExecutable = true;
            executable.value = trim(rest.substr(0, separator));
            executable.reason = trim(rest.substr(separator + 4));
            executable.origin = origin + ":" + std::to_string(number);
            if (executable.value.empty()) return fail(error, origin, number, "the executable has no value");
            rules.push_back(std::move(executable));
            continue;
        }
        if (colon == std::string::npos) return fail(error, origin, number, "not a rule or a setting: " + line);
        std::string key = trim(line.substr(0, colon)), value = trim(line.substr(colon + 1));
        if (key == "type") {
            auto found = kItemTypeNames.find(value);
            if (found == kItemTypeNames.end()) return fail(error, origin, number, "unknown item type " + value);
            context.itemType = found->second;
            haveType = true;
        } else if (key == "scanner") {
            uint64_t scanner = 0;
            if (value == "all") context.scanner = 9223372036854775807ull;
            else if (parseNumber(value, scanner)) context.scanner = scanner;
            else return fail(error, origin, number, "a scanner is 'all' or a number");
        } else if (key == "app") {
            if (value == "none") {
                context.applicationName.clear();
                context.bundleID.clear();
                continue;
            }
            size_t bar = value.find('|');
            if (bar == std::string::npos) return fail(error, origin, number, "an app is 'Name | bundle.identifier'");
            context.applicationName = trim(value.substr(0, bar));
            context.bundleID = trim(value.substr(bar + 1));
        } else if (key == "malware" || key == "malware-date") {
            if (!malware) return fail(error, origin, number, "malware statements are not read here");
            if (key == "malware-date") {
                malware->updateDate = value;
                continue;
            }
            if (value == "none") {
                family = nullptr;
                continue;
            }
            auto p = parts(value);
            if (p.size() != 3 || p[0].empty()) return fail(error, origin, number, "a malware family is 'NAME | TYPE | INFO-LINK'");
            malware->families.push_back({p[0], p[1], p[2], {}, {}, {}, {}});
            family = &malware->families.back();
        } else if (key == "filetype") {
            uint64_t type = 0;
            if (value == "none") context.fileType.reset();
            else if (parseNumber(value, type)) context.fileType = int64_t(type);
            else return fail(error, origin, number, "a filetype is a number or 'none'");
        } else {
            return fail(error, origin, number, "unknown setting " + key);
        }
    }
    return finishStatement();
}

bool parseTypes(const std::string& text, const std::string& origin, std::vector<BVTypeRecord>& types, std::string* error) {
    std::istringstream lines(text);
    std::string raw;
    int number = 0;
    while (std::getline(lines, raw)) {
        ++number;
        std::string line = trim(raw);
        if (line.empty() || line[0] == '#') continue;
        std::string word = line.substr(0, line.find(' '));
        size_t first = line.find('|'), second = first == std::string::npos ? first : line.find('|', first + 1);
        if ((word != "filetype" && word != "apptype") || second == std::string::npos)
            return fail(error, origin, number, "expected 'filetype|apptype N | PATH | DESCRIPTION'");
        uint64_t type = 0;
        if (!parseNumber(trim(line.substr(word.size(), first - word.size())), type))
            return fail(error, origin, number, "the type is not a number");
        types.push_back({word == "apptype", int64_t(type), trim(line.substr(first + 1, second - first - 1)),
                         trim(line.substr(second + 1))});
    }
    return true;
}

}  // namespace BVRuleSource
