// Localised texts: string tables ("Errors", "Alerts", ...) looked up by key. A table is the file
// <Table>.strings in the Resources folder of the library whose texts it holds ("key" = "value";
// lines, /* */ and // comments), compiled into the programs that link BVStringTables. The engine only formats a path or name into a looked-up text.
// Tables are parsed once, on first use; safe from any thread.
#pragma once

#include <string>
#include <vector>

// The text of `key` in `table`; `fallback` when the table or the key is missing.
std::string BVLocalizedString(const std::string& table, const std::string& key, const std::string& fallback = {});
// Replaces each "%@" of `format` by the next argument, in order.
std::string BVFormatLocalized(const std::string& format, const std::vector<std::string>& arguments);
// Parses the text of a .strings file into key/value pairs (exposed for tests of the tables).
std::vector<std::pair<std::string, std::string>> BVParseStringTable(const std::string& text);
