// Build step: turns the rule sources of KnowledgeBase/Data into the encrypted "info.brkkb".
// Usage: brenvik-kbgen OUTPUT VERSION-FILE TYPES-FILE RULES-FILE...
#include <cstdio>
#include <string>
#include <vector>

#include "Foundation/BVFileIO.h"
#include "KnowledgeBase/BVKnowledgeBaseBuilder.h"

namespace {
bool readText(const std::string& path, std::string& text) {
    std::string error;
    if (BVFileIO::readFile(path, text, 16u * 1024 * 1024, &error)) return true;
    std::fprintf(stderr, "brenvik-kbgen: %s\n", error.c_str());
    return false;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: brenvik-kbgen OUTPUT VERSION-FILE TYPES-FILE RULES-FILE...\n");
        return 2;
    }
    std::string versionText, typesText, error;
    if (!readText(argv[2], versionText) || !readText(argv[3], typesText)) return 1;
    std::string version = versionText.substr(0, versionText.find_first_of("\r\n"));
    std::vector<BVTypeRecord> types;
    if (version.empty() || !BVRuleSource::parseTypes(typesText, BVFileIO::lastPathComponent(argv[3]), types, &error)) {
        std::fprintf(stderr, "brenvik-kbgen: %s\n", version.empty() ? "the version file is empty" : error.c_str());
        return 1;
    }
    std::vector<BVRuleRecord> rules;
    BVMalwareSource malware;
    for (int i = 4; i < argc; ++i) {
        std::string text;
        if (!readText(argv[i], text)) return 1;
        if (!BVRuleSource::parseRules(text, BVFileIO::lastPathComponent(argv[i]), rules, &error, &malware)) {
            std::fprintf(stderr, "brenvik-kbgen: %s\n", error.c_str());
            return 1;
        }
    }
    if (!BVKnowledgeBaseBuilder::build(argv[1], version, types, rules, &error, {}, malware)) {
        std::fprintf(stderr, "brenvik-kbgen: %s\n", error.c_str());
        return 1;
    }
    std::printf("brenvik-kbgen: %zu rules, %zu malware families, version %s\n", rules.size(), malware.families.size(),
                version.c_str());
    return 0;
}
