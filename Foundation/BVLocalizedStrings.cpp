#include "Foundation/BVLocalizedStrings.h"

#include <map>
#include <mutex>

// The tables compiled into a program: the generated BVStringTables library defines this; a
// program that does not link it has no tables and gets every fallback.
__attribute__((weak)) const char* BVBuiltInStringTable(const std::string&) { return nullptr; }

namespace {

// Reads a quoted string starting at text[i] == '"'; answers false when unterminated.
bool readQuoted(const std::string& text, size_t& i, std::string& out) {
    out.clear();
    for (++i; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            ++i;
            return true;
        }
        if (c == '\\' && i + 1 < text.size()) {
            char e = text[++i];
            out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
            continue;
        }
        out += c;
    }
    return false;
}

void skipSpaceAndComments(const std::string& text, size_t& i) {
    while (i < text.size()) {
        if (isspace((unsigned char)text[i])) {
            ++i;
        } else if (text.compare(i, 2, "/*") == 0) {
            size_t end = text.find("*/", i + 2);
            i = end == std::string::npos ? text.size() : end + 2;
        } else if (text.compare(i, 2, "//") == 0) {
            size_t end = text.find('\n', i);
            i = end == std::string::npos ? text.size() : end + 1;
        } else {
            return;
        }
    }
}

}  // namespace

std::vector<std::pair<std::string, std::string>> BVParseStringTable(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> out;
    size_t i = 0;
    for (;;) {
        skipSpaceAndComments(text, i);
        if (i >= text.size() || text[i] != '"') break;
        std::string key, value;
        if (!readQuoted(text, i, key)) break;
        skipSpaceAndComments(text, i);
        if (i >= text.size() || text[i] != '=') break;
        ++i;
        skipSpaceAndComments(text, i);
        if (i >= text.size() || text[i] != '"' || !readQuoted(text, i, value)) break;
        skipSpaceAndComments(text, i);
        if (i < text.size() && text[i] == ';') ++i;
        out.emplace_back(std::move(key), std::move(value));
    }
    return out;
}

std::string BVLocalizedString(const std::string& table, const std::string& key, const std::string& fallback) {
    static std::mutex mutex;
    static std::map<std::string, std::map<std::string, std::string>> tables;
    std::lock_guard lock(mutex);
    auto it = tables.find(table);
    if (it == tables.end()) {
        std::map<std::string, std::string> parsed;
        if (const char* text = BVBuiltInStringTable(table))
            for (auto& [k, v] : BVParseStringTable(text)) parsed[k] = v;
        it = tables.emplace(table, std::move(parsed)).first;
    }
    auto entry = it->second.find(key);
    return entry == it->second.end() ? fallback : entry->second;
}

std::string BVFormatLocalized(const std::string& format, const std::vector<std::string>& arguments) {
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '@') {
            if (next < arguments.size()) out += arguments[next++];
            ++i;
            continue;
        }
        out += format[i];
    }
    return out;
}
