// BVIgnoreListEditor: one module's ignore list in the user knowledge base, as the command line
// (`brenvik ignore`) and the review window edit it. A path is stored in the one form paths are
// compared in ("~/" for the home, no "//", "." or ".." components, no trailing slash), so that
// an entry matches however it was typed; each entry keeps the description it had when added.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "App/BVModuleRegistry.h"
#include "Foundation/BVPaths.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"

struct BVIgnoreEntry {
    std::string value;
    bool isRegex = false;
    std::string title, subtitle;
};

class BVIgnoreListEditor {
public:
    // The modules of this build that keep an ignore list.
    static std::vector<std::string> modulesWithLists(const BVModuleRegistry& registry);
    // The editor of `module`'s list; none when the module keeps no list.
    static std::optional<BVIgnoreListEditor> forModule(const std::string& module, BVKnowledgeBasePtr knowledgeBase,
                                                       const BVPaths& paths);

    // The value as it is stored: a path normalised, a regular expression as given.
    std::string storedValue(const std::string& value, bool isRegex) const;
    // A path neither in the home nor in a folder the layout scans is most likely a mistake.
    bool isInScannedPlaces(const std::string& storedPath) const;

    std::vector<BVIgnoreEntry> entries();
    bool contains(const std::string& storedValue);
    enum class Outcome { Added, AlreadyListed, Failed };
    Outcome add(const std::string& storedValue, bool isRegex);
    bool remove(const std::string& storedValue);

private:
    BVIgnoreListEditor(BVKnowledgeBasePtr knowledgeBase, BVScannerIdentifier identifier, const BVPaths& paths);
    BVKnowledgeBasePtr knowledgeBase_;
    BVScannerIdentifier identifier_;
    const BVPaths* paths_;
    std::shared_ptr<BVKnowledgeBaseWrapper> handle_;
};
