// BVDesktopEntry: a freedesktop desktop entry file (autostart entries, application launchers)
// read with its real grammar: groups in brackets, "Key=value" and localised "Key[ll_CC@mod]=value"
// lines, "#" comments and blank lines. A line that is none of these, a key before the first
// group, a group or key given twice, or text that is not UTF-8 makes the whole file fail to
// parse: such a file is reported, never guessed at.
//
// Values are kept as written; the typed readers undo the escapes (\s \n \t \r \\, and \; inside
// lists). Changing a value rewrites only that line, so comments, order and unknown keys survive
// a round trip. A value, not thread-safe; copy it to share.
#pragma once

#include <optional>
#include <string>
#include <vector>

class BVDesktopEntry {
public:
    static constexpr const char* kMainGroup = "Desktop Entry";

    // The entry, or none with the line and the reason in `error`.
    static std::optional<BVDesktopEntry> parse(const std::string& text, std::string* error = nullptr);

    bool hasGroup(const std::string& group) const;
    // The value as written (escapes kept) of the key without locale; none when absent.
    std::optional<std::string> rawValue(const std::string& group, const std::string& key) const;
    // A string value with its escapes undone.
    std::optional<std::string> stringValue(const std::string& group, const std::string& key) const;
    // The value for the best match of `locale` ("de_AT.UTF-8@euro" tries de_AT@euro, de_AT,
    // de@euro, de), else the unlocalised one.
    std::optional<std::string> localizedValue(const std::string& group, const std::string& key,
                                              const std::string& locale) const;
    // "true" or "false"; none when absent or anything else.
    std::optional<bool> boolValue(const std::string& group, const std::string& key) const;
    // A ";"-separated list (a trailing ";" ends the last element; "\;" is a literal semicolon).
    std::vector<std::string> listValue(const std::string& group, const std::string& key) const;

    // Sets the unlocalised key (escaping the text), appending it at the end of the group when it
    // is new; the group is created at the end when missing.
    void setStringValue(const std::string& group, const std::string& key, const std::string& value);
    void setBoolValue(const std::string& group, const std::string& key, bool value);
    // Removes the unlocalised key.
    void removeKey(const std::string& group, const std::string& key);

    // The groups in file order.
    std::vector<std::string> groupNames() const;
    // Every (key with its locale, raw value) of a group, in file order.
    std::vector<std::pair<std::string, std::string>> entries(const std::string& group) const;
    std::string text() const;

    // A string escaped for a value.
    static std::string escape(const std::string& value);
    static std::string unescape(const std::string& raw);

private:
    struct Line {
        enum Kind { Other, Group, Entry } kind = Other;
        std::string text;     // the line as written (Other, Group)
        std::string group;    // the group the line belongs to
        std::string key;      // Entry: the key without locale
        std::string locale;   // Entry: the locale in brackets, empty without
        std::string value;    // Entry: the raw value
    };
    const Line* find(const std::string& group, const std::string& key, const std::string& locale) const;

    std::vector<Line> lines_;
};
