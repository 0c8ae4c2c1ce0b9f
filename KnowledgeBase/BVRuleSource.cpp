#include "KnowledgeBase/BVRuleSource.h"

#include <map>
#include <sstream>

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

}  // namespace

namespace BVRuleSource {

bool parseRules(const std::string& text, const std::string& origin, std::vector<BVRuleRecord>& rules, std::string* error) {
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
