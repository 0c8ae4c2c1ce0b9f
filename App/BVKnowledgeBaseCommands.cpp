// `brenvik kb info` and `brenvik ignore list|add|remove MODULE [VALUE]`.
#include <algorithm>
#include <cstdio>

#include "App/BVCommands.h"
#include "App/BVSuggestions.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVJSONCodec.h"
#include "KnowledgeBase/BVIgnoreListItem.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"

namespace {

// What the rules of each item type do, in the words `kb info` uses.
const char* itemTypeName(int64_t type) {
    switch (type) {
    case 0: return "used by running applications";
    case 1: return "application files";
    case 2: return "protected";
    case 3: return "never offered";
    case 4: return "old user marks";
    case 5: return "searched inside";
    case 6: return "system files";
    case 7: return "offered unticked";
    case 8: return "application suites";
    case 9: return "excluded for every scanner";
    case 11: return "stored statements";
    default: return "other";
    }
}

// The modules of this build that keep an ignore list.
std::vector<std::string> modulesWithIgnoreLists(const BVModuleRegistry& registry) {
    std::vector<std::string> names;
    BVScannerIdentifier identifier = 0;
    for (const auto& name : registry.moduleNames())
        if (BVScannerIdentifiers::moduleIdentifierForName(name, identifier)) names.push_back(name);
    return names;
}

// A path neither in the home nor in a folder the layout scans is most likely a mistake (a
// relative path typed from elsewhere, a folder of another disk): it is stored, with a warning.
bool isInScannedPlaces(const std::string& path, const BVPaths& paths) {
    auto inside = [&](const std::string& folder) {
        return !folder.empty() && folder != "/" && (path == folder || path.rfind(folder + "/", 0) == 0);
    };
    if (inside(paths.home())) return true;
    for (const auto& [name, folder] : paths.allFolders())
        if (inside(folder)) return true;
    for (const auto& folder : paths.volumeFolders())
        if (inside(folder)) return true;
    return false;
}

const char* userStateText(BVUserDatabaseState state) {
    switch (state) {
    case BVUserDatabaseState::Open: return "open";
    case BVUserDatabaseState::Damaged: return "damaged";
    case BVUserDatabaseState::Unavailable: return "unavailable";
    case BVUserDatabaseState::Disabled: return "disabled";
    default: return "not opened";
    }
}

void reportDamaged(const BVKnowledgeBase& kb) {
    std::fprintf(stderr,
                 "brenvik: the user knowledge base %s cannot be read. It is kept as it is; until it can be read "
                 "the ignore list is unavailable and scans preselect nothing.\n",
                 kb.userDatabasePath().c_str());
}

// The entry as the module's ignore list describes it, from the value and the module's scanners.
BVIgnoreListItemPtr describe(const BVIgnoreItemInfo& item, const BVScannerSet& scanners, const BVIgnoreListContext& context) {
    BVDictionary info = item.makeBaseInfo();
    info[BVItemInfoScannersKey] = BVScannerSetValue(scanners);
    auto described = BVIgnoreListItem::ignoreListItemWithInfo(info, context);
    return described ? described : BVIgnoreListItem::plainIgnoreListItemWithInfo(info, context);
}

// Title and subtitle as shown: the stored display information, else a description made now.
std::pair<std::string, std::string> displayTexts(const BVIgnoreItemInfo& item, const BVScannerSet& scanners,
                                                 const BVIgnoreListContext& context) {
    BVValue stored = item.userInfo() ? BVValue(*item.userInfo()) : BVValue();
    auto title = BVIgnoreListMigrationTextInfo::fromDictionary(stored[BVIgnoreDisplayNameInfoKey]);
    auto subtitle = BVIgnoreListMigrationTextInfo::fromDictionary(stored[BVIgnoreDisplayDescriptionInfoKey]);
    if (!title) {
        auto described = describe(item, scanners, context);
        title = described->titleInfo();
        if (!subtitle) subtitle = described->subtitleInfo();
    }
    return {title ? title->displayText() : item.item(), subtitle ? subtitle->displayText() : std::string()};
}

}  // namespace

std::shared_ptr<BVKnowledgeBase> BVOpenKnowledgeBase(const BVCommandContext& c) {
    auto kb = c.environment.knowledgeBase;
    if (kb->appDatabase()) return kb;
    std::string tried;
    for (const auto& path : kb->applicationDatabaseCandidates()) tried += "\n  " + path;
    std::fprintf(stderr, "brenvik: no knowledge base could be opened; tried:%s\n", tried.c_str());
    return nullptr;
}

int BVCommandKnowledgeBaseInfo(const BVCommandContext& c) {
    auto kb = BVOpenKnowledgeBase(c);
    if (!kb) return 3;
    BVUserDatabaseState state = kb->userDatabaseState();
    auto rules = kb->ruleCountsByItemType(false);
    auto user = kb->ruleCountsByItemType(true);
    bool readable = state != BVUserDatabaseState::Damaged;
    int64_t ignoreEntries = user.count(BVItemTypeBlack) ? user[BVItemTypeBlack] : 0;
    BVValue ignoreValue = readable ? BVValue(ignoreEntries) : BVValue();
    if (c.options.json) {
        BVDictionary counts;
        for (auto [type, count] : rules) counts[std::to_string(type)] = count;
        BVDictionary document{{"version", kb->version()},
                              {"path", kb->dbPath()},
                              {"rules", counts},
                              {"userDatabase", BVDictionary{{"path", kb->userDatabasePath()},
                                                            {"state", userStateText(state)},
                                                            {"ignoreEntries", ignoreValue}}}};
        BVWriteOutput(BVJSONCodec::encode(BVValue(document), 2) + "\n");
    } else {
        std::string text = "Knowledge base " + kb->version() + "\n  path: " + kb->dbPath() + "\n  rules by item type:\n";
        for (auto [type, count] : rules) text += "    " + std::string(itemTypeName(type)) + ": " + std::to_string(count) + "\n";
        text += "User knowledge base (" + std::string(userStateText(state)) + ")\n  path: " + kb->userDatabasePath() +
                "\n  ignore entries: " + (readable ? std::to_string(ignoreEntries) : std::string("unknown (cannot be read)")) + "\n";
        BVWriteOutput(text);
    }
    if (state == BVUserDatabaseState::Damaged) reportDamaged(*kb);
    return 0;
}

int BVCommandIgnore(const BVCommandContext& c) {
    const auto& o = c.options;
    BVScannerIdentifier identifier = 0;
    auto withLists = modulesWithIgnoreLists(c.registry);
    if (std::find(withLists.begin(), withLists.end(), o.module) == withLists.end() ||
        !BVScannerIdentifiers::moduleIdentifierForName(o.module, identifier)) {
        std::string list;
        for (const auto& name : withLists) list += (list.empty() ? "" : ", ") + name;
        if (c.registry.moduleNamed(o.module))
            std::fprintf(stderr, "brenvik: the module '%s' has no ignore list; modules with one: %s\n", o.module.c_str(), list.c_str());
        else
            std::fprintf(stderr, "brenvik: unknown module '%s'%s; modules with an ignore list: %s\n", o.module.c_str(),
                         BVDidYouMean(o.module, withLists).c_str(), list.c_str());
        return 2;
    }
    if (o.ignoreAction != "list" && o.ignoreValue.empty()) {
        std::fprintf(stderr, "brenvik: ignore %s needs a VALUE\n", o.ignoreAction.c_str());
        return 2;
    }
    auto kb = BVOpenKnowledgeBase(c);
    if (!kb) return 3;
    if (kb->userDatabaseState() == BVUserDatabaseState::Damaged) {
        reportDamaged(*kb);
        return 1;
    }
    BVKnowledgeBaseWrapper handle(kb, identifier, BVScannerIdentifiers::defaultScopeByIdentifier(identifier));
    // A path is stored in the one way paths are compared in ("~/" for the home, no "//", "." or
    // ".." components, no trailing slash), so that it matches however it was typed.
    std::string value = o.ignoreValue;
    if (!o.ignoreRegex) {
        if (auto normal = BVFileIO::lexicallyNormalPath(c.paths.expandTilde(value))) value = c.paths.abbreviateHome(*normal);
        else while (value.size() > 1 && value.back() == '/') value.pop_back();
    }
    auto items = handle.fetchIgnoreItems();
    bool listed = false;
    for (const auto& item : items) listed = listed || item->item() == value;

    BVScannerSet scanners = BVScannerIdentifiers::normalize(identifier);
    BVIgnoreListContext context = kb->ignoreListContext();
    if (o.ignoreAction == "list") {
        if (o.json) {
            BVArray array;
            for (const auto& item : items) {
                auto [title, subtitle] = displayTexts(*item, scanners, context);
                BVDictionary entry{{"value", item->item()}, {"isRegex", item->isItemRegex()}, {"title", title}};
                if (!subtitle.empty()) entry["subtitle"] = subtitle;
                array.push_back(entry);
            }
            BVWriteOutput(BVJSONCodec::encode(BVValue(BVDictionary{{"module", o.module}, {"items", array}}), 2) + "\n");
        } else {
            // One line per entry: the value, then what it is.
            std::string text;
            for (const auto& item : items) {
                auto [title, subtitle] = displayTexts(*item, scanners, context);
                text += item->item() + (item->isItemRegex() ? "  (regular expression)" : "") + "\n    " + title +
                        (subtitle.empty() ? "" : " - " + subtitle) + "\n";
            }
            BVWriteOutput(text);
        }
        return 0;
    }
    if (o.ignoreAction == "add") {
        if (listed) {
            std::fprintf(stderr, "brenvik: %s is already on the %s ignore list\n", value.c_str(), o.module.c_str());
            return 0;
        }
        // The entry keeps how it was described when it was added.
        BVIgnoreItemInfo plain(value, o.ignoreRegex);
        BVDictionary display = BVKnowledgeBase::additionalInfoFromIgnoreListItem(*describe(plain, scanners, context));
        if (!o.ignoreRegex && !isInScannedPlaces(c.paths.expandTilde(value), c.paths))
            std::fprintf(stderr, "brenvik: warning: %s is neither in your home nor in a folder brenvik scans; it is added all the same\n",
                         value.c_str());
        if (!handle.createIgnoreItemWithInfo(BVIgnoreItemInfo(value, o.ignoreRegex, display))) {
            std::fprintf(stderr, "brenvik: %s could not be added to the %s ignore list\n", value.c_str(), o.module.c_str());
            return 1;
        }
        std::fprintf(stderr, "Added %s to the %s ignore list.\n", value.c_str(), o.module.c_str());
        return 0;
    }
    if (!listed) {
        std::fprintf(stderr, "brenvik: %s is not on the %s ignore list\n", value.c_str(), o.module.c_str());
        return 1;
    }
    if (!handle.removeIgnoreItem(value)) {
        std::fprintf(stderr, "brenvik: %s could not be removed from the %s ignore list\n", value.c_str(), o.module.c_str());
        return 1;
    }
    std::fprintf(stderr, "Removed %s from the %s ignore list.\n", value.c_str(), o.module.c_str());
    return 0;
}
