#include "App/BVIgnoreListEditor.h"

#include "Foundation/BVFileIO.h"
#include "KnowledgeBase/BVIgnoreListItem.h"

namespace {

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

std::vector<std::string> BVIgnoreListEditor::modulesWithLists(const BVModuleRegistry& registry) {
    std::vector<std::string> names;
    BVScannerIdentifier identifier = 0;
    for (const auto& name : registry.moduleNames())
        if (BVScannerIdentifiers::moduleIdentifierForName(name, identifier)) names.push_back(name);
    return names;
}

std::optional<BVIgnoreListEditor> BVIgnoreListEditor::forModule(const std::string& module, BVKnowledgeBasePtr knowledgeBase,
                                                                const BVPaths& paths) {
    BVScannerIdentifier identifier = 0;
    if (!BVScannerIdentifiers::moduleIdentifierForName(module, identifier)) return std::nullopt;
    return BVIgnoreListEditor(std::move(knowledgeBase), identifier, paths);
}

BVIgnoreListEditor::BVIgnoreListEditor(BVKnowledgeBasePtr knowledgeBase, BVScannerIdentifier identifier, const BVPaths& paths)
    : knowledgeBase_(std::move(knowledgeBase)), identifier_(identifier), paths_(&paths),
      handle_(std::make_shared<BVKnowledgeBaseWrapper>(knowledgeBase_, identifier,
                                                       BVScannerIdentifiers::defaultScopeByIdentifier(identifier))) {}

std::string BVIgnoreListEditor::storedValue(const std::string& value, bool isRegex) const {
    if (isRegex) return value;
    if (auto normal = BVFileIO::lexicallyNormalPath(paths_->expandTilde(value))) return paths_->abbreviateHome(*normal);
    std::string trimmed = value;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    return trimmed;
}

bool BVIgnoreListEditor::isInScannedPlaces(const std::string& storedPath) const {
    std::string path = paths_->expandTilde(storedPath);
    auto inside = [&](const std::string& folder) {
        return !folder.empty() && folder != "/" && (path == folder || path.rfind(folder + "/", 0) == 0);
    };
    if (inside(paths_->home())) return true;
    for (const auto& [name, folder] : paths_->allFolders())
        if (inside(folder)) return true;
    for (const auto& folder : paths_->volumeFolders())
        if (inside(folder)) return true;
    return false;
}

std::vector<BVIgnoreEntry> BVIgnoreListEditor::entries() {
    BVScannerSet scanners = BVScannerIdentifiers::normalize(identifier_);
    BVIgnoreListContext context = knowledgeBase_->ignoreListContext();
    std::vector<BVIgnoreEntry> entries;
    for (const auto& item : handle_->fetchIgnoreItems()) {
        auto [title, subtitle] = displayTexts(*item, scanners, context);
        entries.push_back({item->item(), item->isItemRegex(), title, subtitle});
    }
    return entries;
}

bool BVIgnoreListEditor::contains(const std::string& storedValue) {
    for (const auto& item : handle_->fetchIgnoreItems())
        if (item->item() == storedValue) return true;
    return false;
}

BVIgnoreListEditor::Outcome BVIgnoreListEditor::add(const std::string& storedValue, bool isRegex) {
    if (contains(storedValue)) return Outcome::AlreadyListed;
    BVIgnoreItemInfo plain(storedValue, isRegex);
    BVDictionary display = BVKnowledgeBase::additionalInfoFromIgnoreListItem(
        *describe(plain, BVScannerIdentifiers::normalize(identifier_), knowledgeBase_->ignoreListContext()));
    return handle_->createIgnoreItemWithInfo(BVIgnoreItemInfo(storedValue, isRegex, display)) ? Outcome::Added : Outcome::Failed;
}

bool BVIgnoreListEditor::remove(const std::string& storedValue) { return handle_->removeIgnoreItem(storedValue); }
