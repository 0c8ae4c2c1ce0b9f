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
// Malware families and their rules (the malware tables) use their own statements:
//
//   malware-date: 2025-06-01   date of the malware data ("yyyy-MM-dd")
//   malware: NAME | TYPE | INFO-LINK     the family the rules below belong to ("none" ends it)
//   hash SHA256 SIZE -- why             a file of exactly SIZE bytes with that digest
//   extension NAME-REGEX -- why         a browser extension whose name matches as a whole
//   agent NAME-REGEX | CONTENTS-REGEX -- why       a launch job by name and text (either may be empty)
//   file PATH | NAME-REGEX | CONTENTS-REGEX | MAX-SIZE | SHA256 -- why   a file at PATH, or a
//                              direct child of the folder PATH whose name matches (parts may be empty)
//
// Parts are separated by " | " (a bar with a space on each side, so an alternation inside an
// expression stays whole).
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

// One malware family of the malware tables with its rules. Empty texts are stored as absent.
struct BVMalwareRecord {
    std::string name, type, infoLink;
    struct Hash {
        std::string hash;  // lower-case hex, as the scan's digests are written
        uint64_t size = 0;
    };
    struct Agent {
        std::string nameRegex, contentsRegex;
    };
    struct Path {
        std::string path, nameRegex, contentsRegex, hash;
        std::optional<int64_t> maxSize;
    };
    std::vector<Hash> hashes;
    std::vector<std::string> extensionRegexes;
    std::vector<Agent> agents;
    std::vector<Path> paths;
};

struct BVMalwareSource {
    std::vector<BVMalwareRecord> families;
    std::string updateDate;
};

namespace BVRuleSource {
// Parses one rules file's text; false with a message naming `origin` and the line on error.
// Malware statements need `malware`; without it they are an error.
bool parseRules(const std::string& text, const std::string& origin, std::vector<BVRuleRecord>& rules, std::string* error,
                BVMalwareSource* malware = nullptr);
// True for 64 hexadecimal digits (either case).
bool isSHA256Text(const std::string& text);
bool parseTypes(const std::string& text, const std::string& origin, std::vector<BVTypeRecord>& types, std::string* error);
}  // namespace BVRuleSource
