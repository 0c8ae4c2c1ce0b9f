#include "Foundation/BVSystemdUnitFile.h"

#include "Foundation/BVProgramLocator.h"

#include <algorithm>
#include <cctype>

namespace {

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// One C escape after a backslash at `i` (which points at the character after it); appends what
// it stands for and advances `i` past it. False when it is not an escape.
bool unescapeC(const std::string& s, size_t& i, std::string& out) {
    if (i >= s.size()) return false;
    char c = s[i++];
    switch (c) {
        case 'a': out += '\a'; return true;
        case 'b': out += '\b'; return true;
        case 'f': out += '\f'; return true;
        case 'n': out += '\n'; return true;
        case 'r': out += '\r'; return true;
        case 't': out += '\t'; return true;
        case 'v': out += '\v'; return true;
        case 's': out += ' '; return true;
        case '\\': case '"': case '\'': case ' ': out += c; return true;
        case 'x': {
            if (i + 2 > s.size() || !std::isxdigit(static_cast<unsigned char>(s[i])) ||
                !std::isxdigit(static_cast<unsigned char>(s[i + 1])))
                return false;
            out += char(std::stoi(s.substr(i, 2), nullptr, 16));
            i += 2;
            return true;
        }
        default:
            if (c >= '0' && c <= '7' && i + 2 <= s.size() && s[i] >= '0' && s[i] <= '7' && s[i + 1] >= '0' && s[i + 1] <= '7') {
                out += char(std::stoi(s.substr(i - 1, 3), nullptr, 8));
                i += 2;
                return true;
            }
            return false;
    }
}

}  // namespace

std::optional<BVSystemdUnitFile> BVSystemdUnitFile::parse(const std::string& text, std::string* error) {
    if (text.find('\0') != std::string::npos) {
        if (error) *error = "the file holds NUL bytes: it is not a unit file";
        return std::nullopt;
    }
    BVSystemdUnitFile unit;
    std::string section;
    std::string pending;  // a line continued with a backslash
    size_t number = 0, start = 0, firstNumber = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        bool last = end == std::string::npos;
        std::string line = text.substr(start, last ? std::string::npos : end - start);
        start = last ? text.size() + 1 : end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string t = trim(line);
        if (pending.empty() && (t.empty() || t[0] == '#' || t[0] == ';')) continue;
        // Comment lines inside a continued line are dropped, as the manager does.
        if (!pending.empty() && !t.empty() && (t[0] == '#' || t[0] == ';')) continue;
        if (pending.empty()) firstNumber = number;
        if (!t.empty() && t.back() == '\\' && !last) {
            pending += t.substr(0, t.size() - 1) + " ";
            continue;
        }
        std::string whole = pending + t;
        pending.clear();
        whole = trim(whole);
        if (whole.empty()) continue;
        std::string where = "line " + std::to_string(firstNumber) + ": ";
        if (whole[0] == '[') {
            if (whole.back() != ']') {
                unit.warnings_.push_back(where + "a section header without \"]\" is skipped");
                continue;
            }
            section = whole.substr(1, whole.size() - 2);
            unit.sections_.push_back(section);
            continue;
        }
        size_t equals = whole.find('=');
        if (equals == std::string::npos) {
            unit.warnings_.push_back(where + "a line without \"=\" is skipped");
            continue;
        }
        if (section.empty()) {
            unit.warnings_.push_back(where + "an assignment before any section is skipped");
            continue;
        }
        unit.assignments_.push_back({section, trim(whole.substr(0, equals)), trim(whole.substr(equals + 1))});
    }
    return unit;
}

void BVSystemdUnitFile::append(const BVSystemdUnitFile& dropIn) {
    assignments_.insert(assignments_.end(), dropIn.assignments_.begin(), dropIn.assignments_.end());
    sections_.insert(sections_.end(), dropIn.sections_.begin(), dropIn.sections_.end());
    warnings_.insert(warnings_.end(), dropIn.warnings_.begin(), dropIn.warnings_.end());
}

std::vector<std::string> BVSystemdUnitFile::values(const std::string& section, const std::string& key) const {
    std::vector<std::string> out;
    for (const auto& a : assignments_) {
        if (a.section != section || a.key != key) continue;
        if (a.value.empty())
            out.clear();
        else
            out.push_back(a.value);
    }
    return out;
}

std::optional<std::string> BVSystemdUnitFile::value(const std::string& section, const std::string& key) const {
    std::optional<std::string> out;
    for (const auto& a : assignments_)
        if (a.section == section && a.key == key) out = a.value;
    return out;
}

bool BVSystemdUnitFile::hasSection(const std::string& section) const {
    return std::find(sections_.begin(), sections_.end(), section) != sections_.end();
}

std::optional<BVSystemdCommand> BVSystemdCommandFromExecLine(const std::string& value, std::string* error) {
    auto fail = [&](const std::string& reason) -> std::optional<BVSystemdCommand> {
        if (error) *error = reason;
        return std::nullopt;
    };
    BVSystemdCommand command;
    size_t i = 0;
    while (i < value.size() && isSpace(value[i])) ++i;
    while (i < value.size() && std::string("-@+!:").find(value[i]) != std::string::npos) command.prefixes += value[i++];
    std::vector<std::string> words;
    while (i < value.size()) {
        while (i < value.size() && isSpace(value[i])) ++i;
        if (i >= value.size()) break;
        std::string word;
        char quote = 0;
        while (i < value.size()) {
            char c = value[i];
            if (!quote && isSpace(c)) break;
            ++i;
            if (quote && c == quote) {
                quote = 0;
            } else if (!quote && (c == '"' || c == '\'')) {
                quote = c;
            } else if (c == '\\') {
                if (!unescapeC(value, i, word)) return fail("the escape at " + std::to_string(i) + " is not one the manager knows");
            } else {
                word += c;
            }
        }
        if (quote) return fail("a quotation is not closed");
        // A lone ";" separates this command from the next one.
        if (word == ";") break;
        words.push_back(word);
    }
    if (words.empty() || words[0].empty()) return fail("there is no program");
    command.program = words[0];
    command.arguments.assign(words.begin() + 1, words.end());
    return command;
}

std::optional<std::string> BVSystemdExpandSpecifiers(const std::string& text, const BVSystemdSpecifiers& s) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (++i >= text.size()) return std::nullopt;
        std::string prefix = s.unitName.substr(0, s.unitName.find('@'));
        if (size_t dot = prefix.rfind('.'); dot != std::string::npos) prefix = prefix.substr(0, dot);
        switch (text[i]) {
            case '%': out += '%'; break;
            case 'h': out += s.home; break;
            case 'u': out += s.userName; break;
            case 'U': out += s.uid; break;
            case 'n': out += s.unitName; break;
            case 'N': out += s.unitName.substr(0, s.unitName.rfind('.')); break;
            case 'p': out += prefix; break;
            default: return std::nullopt;
        }
    }
    return out;
}

std::vector<std::string> BVSystemdSearchPath(const BVSystemdUnitFile& unit) {
    std::optional<std::string> path;
    for (const auto& line : unit.values("Service", "Environment")) {
        // Environment= holds assignments separated by spaces, each possibly quoted.
        auto words = BVSystemdCommandFromExecLine(line);
        if (!words) continue;
        std::vector<std::string> all = {words->prefixes + words->program};
        all.insert(all.end(), words->arguments.begin(), words->arguments.end());
        for (const auto& word : all)
            if (word.rfind("PATH=", 0) == 0) path = word.substr(5);
    }
    return BVProgramLocator::searchFolders(path.value_or("/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"));
}
