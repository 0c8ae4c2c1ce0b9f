// `brenvik kb info` and `brenvik ignore list|add|remove MODULE [VALUE]`.
#include <algorithm>
#include <cstdio>

#include "App/BVCommands.h"
#include "App/BVIgnoreListEditor.h"
#include "App/BVSuggestions.h"
#include "Foundation/BVJSONCodec.h"

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
    auto withLists = BVIgnoreListEditor::modulesWithLists(c.registry);
    if (std::find(withLists.begin(), withLists.end(), o.module) == withLists.end()) {
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
    auto editor = BVIgnoreListEditor::forModule(o.module, kb, c.paths);
    std::string value = editor->storedValue(o.ignoreValue, o.ignoreRegex);
    if (o.ignoreAction == "list") {
        auto entries = editor->entries();
        if (o.json) {
            BVArray array;
            for (const auto& entry : entries) {
                BVDictionary item{{"value", entry.value}, {"isRegex", entry.isRegex}, {"title", entry.title}};
                if (!entry.subtitle.empty()) item["subtitle"] = entry.subtitle;
                array.push_back(item);
            }
            BVWriteOutput(BVJSONCodec::encode(BVValue(BVDictionary{{"module", o.module}, {"items", array}}), 2) + "\n");
        } else {
            // One line per entry: the value, then what it is.
            std::string text;
            for (const auto& entry : entries)
                text += entry.value + (entry.isRegex ? "  (regular expression)" : "") + "\n    " + entry.title +
                        (entry.subtitle.empty() ? "" : " - " + entry.subtitle) + "\n";
            BVWriteOutput(text);
        }
        return 0;
    }
    if (o.ignoreAction == "add") {
        if (!o.ignoreRegex && !editor->contains(value) && !editor->isInScannedPlaces(value))
            std::fprintf(stderr, "brenvik: warning: %s is neither in your home nor in a folder brenvik scans; it is added all the same\n",
                         value.c_str());
        switch (editor->add(value, o.ignoreRegex)) {
        case BVIgnoreListEditor::Outcome::AlreadyListed:
            std::fprintf(stderr, "brenvik: %s is already on the %s ignore list\n", value.c_str(), o.module.c_str());
            return 0;
        case BVIgnoreListEditor::Outcome::Failed:
            std::fprintf(stderr, "brenvik: %s could not be added to the %s ignore list\n", value.c_str(), o.module.c_str());
            return 1;
        case BVIgnoreListEditor::Outcome::Added: break;
        }
        std::fprintf(stderr, "Added %s to the %s ignore list.\n", value.c_str(), o.module.c_str());
        return 0;
    }
    if (!editor->contains(value)) {
        std::fprintf(stderr, "brenvik: %s is not on the %s ignore list\n", value.c_str(), o.module.c_str());
        return 1;
    }
    if (!editor->remove(value)) {
        std::fprintf(stderr, "brenvik: %s could not be removed from the %s ignore list\n", value.c_str(), o.module.c_str());
        return 1;
    }
    std::fprintf(stderr, "Removed %s from the %s ignore list.\n", value.c_str(), o.module.c_str());
    return 0;
}
