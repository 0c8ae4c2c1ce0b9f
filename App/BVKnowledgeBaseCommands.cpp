// `brenvik kb info` and `brenvik ignore list|add|remove MODULE [VALUE]`.
#include <cstdio>

#include "App/BVCommands.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVJSONCodec.h"
#include "KnowledgeBase/BVIgnoreListItem.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"

namespace {

const char* itemTypeName(int64_t type) {
    switch (type) {
    case 0: return "quitting files";
    case 1: return "application files";
    case 2: return "protected items";
    case 3: return "black items";
    case 4: return "gray items";
    case 5: return "deep-search folders";
    case 6: return "system files";
    case 7: return "selection memory";
    case 8: return "application suites";
    case 9: return "globally excluded items";
    case 11: return "stored statements";
    default: return "other";
    }
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
        for (auto [type, count] : rules) text += "    " + std::to_string(type) + " " + itemTypeName(type) + ": " + std::to_string(count) + "\n";
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
    if (!BVScannerIdentifiers::moduleIdentifierForName(o.module, identifier)) {
        std::fprintf(stderr,
                     "brenvik: %s has no ignore list; modules with one: system-junk, photos, media-library, mail, "
                     "malware, uninstaller, updater, large-files\n",
                     o.module.c_str());
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
        if (!handle.createIgnoreItemWithInfo(BVIgnoreItemInfo(value, o.ignoreRegex, display))) {
            std::fprintf(stderr, "brenvik: %s could not be added to the %s ignore list\n", value.c_str(), o.module.c_str());
            return 1;
        }
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
    return 0;
}
