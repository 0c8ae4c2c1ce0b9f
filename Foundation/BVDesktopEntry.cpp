#include "Foundation/BVDesktopEntry.h"

#include <set>

#include "Foundation/BVUTF8.h"

namespace {

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

bool isKeyCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

// Splits "ll_CC.ENCODING@MODIFIER" into its parts (the encoding is dropped, as matching ignores it).
void splitLocale(const std::string& locale, std::string& lang, std::string& country, std::string& modifier) {
    std::string rest = locale;
    if (size_t at = rest.find('@'); at != std::string::npos) {
        modifier = rest.substr(at + 1);
        rest = rest.substr(0, at);
    }
    if (size_t dot = rest.find('.'); dot != std::string::npos) rest = rest.substr(0, dot);
    if (size_t underscore = rest.find('_'); underscore != std::string::npos) {
        country = rest.substr(underscore + 1);
        rest = rest.substr(0, underscore);
    }
    lang = rest;
}

}  // namespace

std::optional<BVDesktopEntry> BVDesktopEntry::parse(const std::string& text, std::string* error) {
    auto fail = [&](size_t number, const std::string& reason) -> std::optional<BVDesktopEntry> {
        if (error) *error = number ? "line " + std::to_string(number) + ": " + reason : reason;
        return std::nullopt;
    };
    if (!BVIsValidUTF8(text)) return fail(0, "the file is not UTF-8 text");
    BVDesktopEntry entry;
    std::set<std::string> groups;
    std::set<std::pair<std::string, std::string>> keys;
    std::string group;
    size_t number = 0, start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string raw = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        ++number;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        Line line;
        line.text = raw;
        std::string t = trim(raw);
        if (t.empty() || t[0] == '#') {
            line.group = group;
            entry.lines_.push_back(std::move(line));
            continue;
        }
        if (t[0] == '[') {
            if (t.back() != ']' || t.size() < 3) return fail(number, "a group header must be \"[Name]\"");
            std::string name = t.substr(1, t.size() - 2);
            for (char c : name)
                if (c == '[' || c == ']' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                    return fail(number, "a group name may not hold brackets or control characters");
            if (!groups.insert(name).second) return fail(number, "the group [" + name + "] is given twice");
            group = name;
            line.kind = Line::Group;
            line.group = name;
            entry.lines_.push_back(std::move(line));
            continue;
        }
        size_t equals = raw.find('=');
        if (equals == std::string::npos) return fail(number, "a line must be a comment, a group or Key=value");
        if (group.empty()) return fail(number, "a key comes before the first group");
        std::string name = trim(raw.substr(0, equals));
        std::string locale;
        if (size_t open = name.find('['); open != std::string::npos) {
            if (name.back() != ']' || open + 2 > name.size() - 1) return fail(number, "a localised key must be Key[locale]");
            locale = name.substr(open + 1, name.size() - open - 2);
            name = name.substr(0, open);
            for (char c : locale)
                if (!(isKeyCharacter(c) || c == '_' || c == '@' || c == '.')) return fail(number, "the locale \"" + locale + "\" is malformed");
        }
        if (name.empty()) return fail(number, "a key is empty");
        for (char c : name)
            if (!isKeyCharacter(c)) return fail(number, "the key \"" + name + "\" holds a character keys may not hold");
        if (!keys.insert({group, name + "[" + locale + "]"}).second)
            return fail(number, "the key " + name + (locale.empty() ? "" : "[" + locale + "]") + " is given twice in [" + group + "]");
        std::string value = raw.substr(equals + 1);
        size_t lead = value.find_first_not_of(" \t");
        value = lead == std::string::npos ? std::string() : value.substr(lead);
        line.kind = Line::Entry;
        line.group = group;
        line.key = name;
        line.locale = locale;
        line.value = value;
        entry.lines_.push_back(std::move(line));
    }
    return entry;
}

const BVDesktopEntry::Line* BVDesktopEntry::find(const std::string& group, const std::string& key,
                                                 const std::string& locale) const {
    for (const auto& line : lines_)
        if (line.kind == Line::Entry && line.group == group && line.key == key && line.locale == locale) return &line;
    return nullptr;
}

bool BVDesktopEntry::hasGroup(const std::string& group) const {
    for (const auto& line : lines_)
        if (line.kind == Line::Group && line.group == group) return true;
    return false;
}

std::optional<std::string> BVDesktopEntry::rawValue(const std::string& group, const std::string& key) const {
    if (const Line* line = find(group, key, {})) return line->value;
    return std::nullopt;
}

std::optional<std::string> BVDesktopEntry::stringValue(const std::string& group, const std::string& key) const {
    auto raw = rawValue(group, key);
    if (!raw) return std::nullopt;
    return unescape(*raw);
}

std::optional<std::string> BVDesktopEntry::localizedValue(const std::string& group, const std::string& key,
                                                          const std::string& locale) const {
    std::string lang, country, modifier;
    splitLocale(locale, lang, country, modifier);
    std::vector<std::string> candidates;
    if (!lang.empty() && lang != "C" && lang != "POSIX") {
        if (!country.empty() && !modifier.empty()) candidates.push_back(lang + "_" + country + "@" + modifier);
        if (!country.empty()) candidates.push_back(lang + "_" + country);
        if (!modifier.empty()) candidates.push_back(lang + "@" + modifier);
        candidates.push_back(lang);
    }
    for (const auto& candidate : candidates)
        if (const Line* line = find(group, key, candidate)) return unescape(line->value);
    return stringValue(group, key);
}

std::optional<bool> BVDesktopEntry::boolValue(const std::string& group, const std::string& key) const {
    auto raw = rawValue(group, key);
    if (!raw) return std::nullopt;
    std::string v = trim(*raw);
    if (v == "true") return true;
    if (v == "false") return false;
    return std::nullopt;
}

std::vector<std::string> BVDesktopEntry::listValue(const std::string& group, const std::string& key) const {
    std::vector<std::string> items;
    auto raw = rawValue(group, key);
    if (!raw) return items;
    std::string current;
    for (size_t i = 0; i < raw->size(); ++i) {
        char c = (*raw)[i];
        if (c == '\\' && i + 1 < raw->size() && (*raw)[i + 1] == ';') {
            current += "\\;";
            ++i;
        } else if (c == ';') {
            items.push_back(unescape(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) items.push_back(unescape(current));
    return items;
}

std::string BVDesktopEntry::escape(const std::string& value) {
    std::string out;
    for (char c : value) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    if (!out.empty() && out[0] == ' ') out = "\\s" + out.substr(1);
    return out;
}

std::string BVDesktopEntry::unescape(const std::string& raw) {
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 == raw.size()) {
            out += raw[i];
            continue;
        }
        char next = raw[++i];
        switch (next) {
            case 's': out += ' '; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case '\\': out += '\\'; break;
            case ';': out += ';'; break;
            // Not an escape of the format: kept as written, so that what a program reads is unchanged.
            default: out += '\\'; out += next;
        }
    }
    return out;
}

void BVDesktopEntry::setStringValue(const std::string& group, const std::string& key, const std::string& value) {
    std::string raw = escape(value);
    for (auto& line : lines_) {
        if (line.kind == Line::Entry && line.group == group && line.key == key && line.locale.empty()) {
            line.value = raw;
            line.text.clear();
            return;
        }
    }
    Line line;
    line.kind = Line::Entry;
    line.group = group;
    line.key = key;
    line.value = raw;
    if (!hasGroup(group)) {
        Line header;
        header.kind = Line::Group;
        header.group = group;
        header.text = "[" + group + "]";
        lines_.push_back(header);
        lines_.push_back(line);
        return;
    }
    // After the group's last entry (before the blank lines and comments that lead to the next group).
    size_t at = lines_.size();
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].group == group && lines_[i].kind != Line::Other) at = i + 1;
    lines_.insert(lines_.begin() + long(at), line);
}

void BVDesktopEntry::setBoolValue(const std::string& group, const std::string& key, bool value) {
    setStringValue(group, key, value ? "true" : "false");
}

void BVDesktopEntry::removeKey(const std::string& group, const std::string& key) {
    for (auto it = lines_.begin(); it != lines_.end();) {
        if (it->kind == Line::Entry && it->group == group && it->key == key && it->locale.empty())
            it = lines_.erase(it);
        else
            ++it;
    }
}

std::vector<std::string> BVDesktopEntry::groupNames() const {
    std::vector<std::string> out;
    for (const auto& line : lines_)
        if (line.kind == Line::Group) out.push_back(line.group);
    return out;
}

std::vector<std::pair<std::string, std::string>> BVDesktopEntry::entries(const std::string& group) const {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& line : lines_)
        if (line.kind == Line::Entry && line.group == group)
            out.emplace_back(line.locale.empty() ? line.key : line.key + "[" + line.locale + "]", line.value);
    return out;
}

std::string BVDesktopEntry::text() const {
    std::string out;
    for (const auto& line : lines_) {
        if (line.kind == Line::Entry && line.text.empty())
            out += (line.locale.empty() ? line.key : line.key + "[" + line.locale + "]") + "=" + line.value;
        else
            out += line.text;
        out += '\n';
    }
    return out;
}
