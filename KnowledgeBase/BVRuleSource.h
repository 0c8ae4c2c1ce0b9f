// The rule sources of the shipped knowledge base: reviewable text files under
// KnowledgeBase/Data, parsed here and written to the encrypted database by
// BVKnowledgeBaseBuilder. Format (one statement per line, "#" starts a comment line):
//
//   type: protected            item type of the rules below (see kItemTypeNames)
//   scanner: all               scanner identifier of the rules below ("all" or a number)
//   app: Firefox | org.mozilla.firefox   application the rules below belong to ("none" ends it)
//   filetype: 9                file note: values below are relative to that FileType prefix
//   path ~/.cache/thumbnails -- why this rule exists
//   regex ~/\.cache/[^/]+\.lock -- why this rule exists
//   executable /usr/lib/firefox/firefox -- a program file that is the current app (a full path,
//                              or a bare name matched against a process's file name)
//   statement PrivacyFirefoxCookiesQuery -- why   a stored statement (type stored-statement,
//   | SELECT id, host FROM moz_cookies           inside an app: section): its key, then its
//   | ORDER BY host                              text on the "|" lines below, joined by newlines
//
// Every rule needs its reason after " -- "; a rule without one, an unknown setting or a regular
// expression that does not compile is an error, so a broken source fails the build. Types files
// hold "filetype N | PREFIX | DESCRIPTION" and "apptype N | SUBPATH | DESCRIPTION" lines.
// Pure functions; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVValue.h"

struct BVRuleRecord {
    int64_t itemType = 3;
    std::string value;
    bool isRegex = false;
    uint64_t scanner = 9223372036854775807ull;
    std::optional<int64_t> fileType;
    std::string applicationName, bundleID;
    std::string reason;
    std::string origin;  // "file:line", for messages
    // An executable of the current app rather than an item rule: it goes to the table that
    // maps bundle identifiers to the programs that are running instances of them.
    bool isExecutable = false;
    // The item's AdditionalInfo (a stored statement's {"BVPrivacyQueryFormat": text}).
    std::optional<BVValue> additionalInfo;
};

struct BVTypeRecord {
    bool isApplicationType = false;
    int64_t type = 0;
    std::string path, description;
};

namespace BVRuleSource {
// Parses one rules file's text; false with a message naming `origin` and the line on error.
bool parseRules(const std::string& text, const std::string& origin, std::vector<BVRuleRecord>& rules, std::string* error);
bool parseTypes(const std::string& text, const std::string& origin, std::vector<BVTypeRecord>& types, std::string* error);
}  // namespace BVRuleSource
