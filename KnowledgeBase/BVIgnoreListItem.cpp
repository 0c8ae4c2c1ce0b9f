#include "KnowledgeBase/BVIgnoreListItem.h"

#include <map>

#include "Foundation/BVFileIO.h"

namespace {

using Text = BVIgnoreListMigrationTextInfo;
using Icon = BVIgnoreListMigrationIconInfo;

const std::map<BVScannerIdentifier, const char*>& descriptionKeys() {
    static const std::map<BVScannerIdentifier, const char*> keys{
        {3, "IgnoreList_ItemDescriptionLeftover"},         {6, "IgnoreList_ItemDescriptionBrokenPref"},
        {7, "IgnoreList_ItemDescriptionBrokenLogin"},      {9, "IgnoreList_ItemDescriptionSystemCache"},
        {10, "IgnoreList_ItemDescriptionUserCache"},       {20, "IgnoreList_ItemDescriptioniOSUpdate"},
        {22, "IgnoreList_ItemDescriptioniPhotoSync"},      {26, "IgnoreList_ItemDescriptionSystemLog"},
        {27, "IgnoreList_ItemDescriptionUserLog"},         {36, "IgnoreList_ItemDescriptioniOSBackups"},
        {37, "IgnoreList_ItemDescriptioniTunesDownloads"}, {38, "IgnoreList_ItemDescriptioniOSApps"},
        {39, "IgnoreList_ItemDescriptionOSXLanguage"},     {40, "IgnoreList_ItemDescriptionMailAttachment"},
        {61, "IgnoreList_ItemDescriptionDerivedData"},     {66, "IgnoreList_ItemDescriptioniTunesCache"},
    };
    return keys;
}

bool intersects(const BVScannerSet& scanners, const BVScannerSet& wanted) {
    for (BVScannerIdentifier s : scanners)
        if (wanted.count(s)) return true;
    return false;
}

std::string withoutExtension(const std::string& name) {
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// What the entry's scanner classes know about it: the stored display information, with the
// stored value as the generic value, and the old cache-group name of a "...-CacheGroup" value.
BVDictionary nodeInfoFor(const BVDictionary& itemInfo, const std::string& value) {
    BVDictionary info;
    if (auto it = itemInfo.find(BVItemInfoAdditionalInfoKey); it != itemInfo.end()) info = it->second.dictionaryValue();
    info.emplace("BVNodeInfoGenericValue", value);
    static const std::string suffix = "-CacheGroup";
    std::string name = BVFileIO::lastPathComponent(value);
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        info.emplace("BVNodeInfoCacheOldGroupName", name.substr(0, name.size() - suffix.size()));
    return info;
}

class Describer {
public:
    Describer(const BVDictionary& itemInfo, const BVIgnoreListContext& context) : context_(context) {
        item_ = std::make_shared<BVIgnoreListItem>();
        item_->itemInfo_ = itemInfo;
        value_ = field(itemInfo, BVItemInfoValueKey).stringValue();
        scanners_ = BVScannerSetFromValue(field(itemInfo, BVItemInfoScannersKey));
        node_ = nodeInfoFor(itemInfo, value_);
        std::string path = node_["path"].stringValue(value_);
        if (!path.empty()) item_->path_ = path;
        application_ = field(itemInfo, BVItemInfoApplicationInfoKey);
        describePlain();
    }

    std::shared_ptr<BVIgnoreListItem> item() { return item_; }

    void describePlain() {
        std::string name = node_["BVNodeInfoGenericLocalizedName"].stringValue();
        // A pattern has no file name to show: it is shown as it is.
        if (name.empty()) name = regex() ? value_ : withoutExtension(BVFileIO::lastPathComponent(value_));
        item_->titleInfo_ = Text::textInfoForName(name);
        if (auto stored = Text::fromDictionary(node_["BVNodeInfoGenericLocalizedNameInfo"])) item_->titleInfo_ = stored;
        item_->subtitleInfo_ = scannerDescription();
        item_->iconInfo_ = Icon::fromDictionary(node_["BVNodeInfoGenericIconInfo"]);
        if (!item_->iconInfo_ && item_->path_) item_->iconInfo_ = Icon::iconInfoForPath(*item_->path_);
        item_->type_ = 1;
    }

    void describeCache() {
        std::string bundle = node_["BVNodeInfoCacheBundleId"].stringValue();
        std::string oldGroup = node_["BVNodeInfoCacheOldGroupName"].stringValue();
        // An entry of both cache scanners is described by the one its place belongs to.
        bool user = scanners_.count(10) && (!scanners_.count(9) || value_.rfind("~", 0) == 0);
        item_->subtitleInfo_ = BVIgnoreListItem::descriptionForScannerID(user ? 10 : 9);
        item_->type_ = 1;
        if (!bundle.empty()) {
            int64_t state = node_["BVNodeInfoCacheRelationState"].int64Value();
            if (state == 2) {
                item_->titleInfo_ = Text::textInfoForName(bundle);
                item_->iconInfo_ = Icon::iconInfoForPath(value_);
                return;
            }
            auto installed = installedApplication(bundle);
            item_->titleInfo_ = Text::textInfoForLocalizedLegacyFormat("IgnoreList_Legacy_CacheFormat", installed ? installed->name() : bundle);
            item_->iconInfo_ = Icon::iconInfoForApp(bundle);
            if (state == 1) {
                item_->subtitleInfo_ = Text::textInfoForLocalizedPreferences("IgnoreList_ItemDescriptionCacheGroup");
                item_->value_ = bundle;
                item_->type_ = 3;
            }
        } else if (!oldGroup.empty()) {
            item_->titleInfo_ = Text::textInfoForName(oldGroup);
            item_->iconInfo_ = Icon::iconInfoForName("SmartFolderPurple");
            item_->type_ = 3;
        } else {
            item_->titleInfo_ = Text::textInfoForName(regex() ? value_ : BVFileIO::lastPathComponent(value_));
            item_->iconInfo_ = item_->path_ ? Icon::iconInfoForPath(*item_->path_) : nullptr;
        }
    }

    // Answers false when the entry names no application.
    bool describeBundle(int type) {
        BVKBApplicationInfo stored = BVKBApplicationInfo::fromValue(application_);
        if (stored.bundleID().empty() && stored.name().empty()) return false;
        auto installed = installedApplication(stored.bundleID());
        std::string name = installed && !installed->name().empty() ? installed->name() : stored.name();
        if (auto title = Text::textInfoForName(name)) item_->titleInfo_ = title;
        item_->subtitleInfo_ = Text::textInfoForLocalizedPreferences("IgnoreList_ItemDescriptionApplication");
        if (auto icon = Icon::iconInfoForApp(stored.bundleID())) item_->iconInfo_ = icon;
        if (installed && !installed->path().empty()) item_->path_ = installed->path();
        item_->type_ = type;
        return true;
    }

    void describeUninstaller() {
        const BVValue& suite = node_["BVNodeInfoAppSuite"];
        std::string suiteName = suite.isString() ? suite.stringValue() : suite.boolValue() ? node_["BVNodeInfoGenericLocalizedName"].stringValue() : "";
        if (!suiteName.empty()) {
            item_->titleInfo_ = Text::textInfoForName(suiteName);
            item_->subtitleInfo_ = Text::textInfoForLocalizedPreferences("IgnoreList_ItemDescriptionApplication");
            std::vector<BVKBApplicationInfo> members = context_.suiteApplications ? context_.suiteApplications(suiteName) : std::vector<BVKBApplicationInfo>{};
            for (const BVKBApplicationInfo& member : members) {
                auto installed = installedApplication(member.bundleID());
                if (!installed) continue;
                if (!installed->path().empty()) item_->path_ = installed->path();
                item_->iconInfo_ = Icon::iconInfoForApp(member.bundleID());
                break;
            }
            item_->type_ = 22;
            return;
        }
        describeBundle(22);
        item_->type_ = 22;
    }

    void describeLanguage() {
        std::string code = node_["BVNodeInfoLangISOCode"].stringValue();
        std::string appName = node_["BVNodeInfoLangAppName"].stringValue();
        bool pattern = regex();
        BVKBApplicationInfo stored = BVKBApplicationInfo::fromValue(application_);
        if (!appName.empty() || !stored.bundleID().empty()) {
            auto installed = installedApplication(stored.bundleID());
            std::string shown = installed ? installed->name() : appName;
            item_->titleInfo_ = shown.empty() ? Text::textInfoForLocalizedLegacyFormat("%@ Localization", code) : Text::textInfoForName(shown);
            item_->subtitleInfo_ = Text::textInfoForLocalizedPreferences("IgnoreList_ItemDescriptionLocalziationOfApp");
            if (auto icon = Icon::iconInfoForApp(stored.bundleID())) item_->iconInfo_ = icon;
        } else {
            item_->titleInfo_ = Text::textInfoForLanguage(code);
            item_->subtitleInfo_ = Text::textInfoForLocalizedPreferences("IgnoreList_ItemDescriptionLocalziationOfAllApps");
            item_->iconInfo_ = Icon::iconInfoForLang(code);
        }
        item_->type_ = pattern ? 5 : 4;
    }

    void describeSystemLanguage() {
        item_->titleInfo_ = Text::textInfoForLanguage(value_);
        item_->iconInfo_ = Icon::iconInfoForLang(value_);
        item_->path_.reset();
        item_->type_ = 6;
    }

    void describeVersions() {
        item_->titleInfo_ = Text::textInfoForName(BVFileIO::lastPathComponent(value_));
        item_->subtitleInfo_ = Text::textInfoForLocalizedLegacy("IgnoreList_Legacy_DocumentVersions");
        if (auto icon = Icon::iconInfoForApp(BVKBApplicationInfo::fromValue(application_).bundleID())) item_->iconInfo_ = icon;
        item_->type_ = 30;
    }

    void describeBrokenUpdate() {
        item_->subtitleInfo_ = Text::textInfoForLocalizedLegacy("IgnoreList_Legacy_OutdatedUpdate");
        const BVValue& icon = node_["BVNodeInfoGenericIcon"];
        std::string source = icon["BVBrokenApplicationUpdateIconInfoSourceKey"].stringValue();
        std::string kind = icon["BVBrokenApplicationUpdateIconInfoTypeKey"].stringValue();
        if (auto described = kind == "path" ? Icon::iconInfoForPath(source) : Icon::iconInfoForApp(source)) item_->iconInfo_ = described;
        item_->type_ = 31;
    }

    void describePhotosCache() {
        if (auto title = Text::textInfoForName(node_["BVNodeInfoGenericLocalizedName"].stringValue())) item_->titleInfo_ = title;
        static const std::map<std::string, const char*> images{
            {"photosCachesCleanupScannerPhotosCacheIdentifier", "photosCachePhotosCache"},
            {"photosCachesCleanupScanneriCloudCacheIdentifier", "photosCacheiCloudCache"},
            {"photosCachesCleanupScannerFacesIdentifier", "photosCacheFacesCache"},
        };
        if (auto it = images.find(value_); it != images.end()) item_->iconInfo_ = Icon::iconInfoForName(it->second);
        item_->type_ = 13;
    }

    void describeMediaLibrary() {
        struct Kind {
            BVScannerIdentifier scanner;
            int type;
            const char* key;
        };
        static const Kind kinds[] = {{36, 25, "IgnoreList_ItemDescriptioniOSBackups"},
                                     {20, 26, "IgnoreList_ItemDescriptioniOSSoftwareUpdates"},
                                     {37, 27, "IgnoreList_ItemDescriptioniTunesDownloads"},
                                     {38, 28, "IgnoreList_ItemDescriptioniOSApps"},
                                     {66, 29, "IgnoreList_ItemDescriptioniTunesCache"}};
        for (const Kind& kind : kinds) {
            if (!scanners_.count(kind.scanner)) continue;
            item_->type_ = kind.type;
            item_->subtitleInfo_ = Text::textInfoForLocalizedPreferences(kind.key);
            if (kind.scanner == 66) item_->iconInfo_ = Icon::iconInfoForName("iTunesCachesIcon");
            if (kind.scanner == 36)
                if (auto device = Icon::iconInfoForDeviceType(node_["productType"].stringValue())) item_->iconInfo_ = device;
            return;
        }
    }

    void describeMail() {
        if (!scanners_.count(40)) return;
        item_->subtitleInfo_ = nullptr;  // mail attachments show their name alone
        item_->type_ = 23;
    }

    const BVScannerSet& scanners() const { return scanners_; }
    bool hasLanguageCode() const { return !node_["BVNodeInfoLangISOCode"].stringValue().empty(); }

private:
    bool regex() const { return field(item_->itemInfo_, BVItemInfoIsRegExpKey).boolValue(); }

    static BVValue field(const BVDictionary& info, const char* key) {
        auto it = info.find(key);
        return it == info.end() ? BVValue() : it->second;
    }

    std::optional<BVKBApplicationInfo> installedApplication(const std::string& bundleID) const {
        if (bundleID.empty() || !context_.installedApplication) return std::nullopt;
        return context_.installedApplication(bundleID);
    }

    // The first of the entry's scanners that has a description.
    BVIgnoreListMigrationTextInfoPtr scannerDescription() const {
        for (BVScannerIdentifier s : scanners_)
            if (auto text = BVIgnoreListItem::descriptionForScannerID(s)) return text;
        return nullptr;
    }

    const BVIgnoreListContext& context_;
    std::shared_ptr<BVIgnoreListItem> item_;
    std::string value_;
    BVScannerSet scanners_;
    BVValue node_;
    BVValue application_;
};

const BVScannerSet& group(BVScannerIdentifier identifier) {
    static const std::map<BVScannerIdentifier, BVScannerSet> groups = [] {
        std::map<BVScannerIdentifier, BVScannerSet> out;
        for (BVScannerIdentifier g : {1000001, 1000004, 1000005, 1000007}) out[g] = BVScannerIdentifiers::normalize(g);
        return out;
    }();
    return groups.at(identifier);
}

}  // namespace

BVIgnoreListMigrationTextInfoPtr BVIgnoreListItem::descriptionForScannerID(BVScannerIdentifier scanner) {
    auto it = descriptionKeys().find(scanner);
    if (it == descriptionKeys().end()) return nullptr;
    return scanner == 3 ? Text::textInfoForLocalizedLegacy(it->second) : Text::textInfoForLocalizedPreferences(it->second);
}

BVIgnoreListItemPtr BVIgnoreListItem::plainIgnoreListItemWithInfo(const BVDictionary& itemInfo, const BVIgnoreListContext& context) {
    return Describer(itemInfo, context).item();
}

BVIgnoreListItemPtr BVIgnoreListItem::ignoreListItemWithInfo(const BVDictionary& itemInfo, const BVIgnoreListContext& context) {
    Describer d(itemInfo, context);
    const BVScannerSet& s = d.scanners();
    if (intersects(s, {9, 10})) d.describeCache();
    else if (s.count(73)) d.describeVersions();
    else if (s.count(5)) d.hasLanguageCode() ? d.describeLanguage() : void(d.describeBundle(2));
    else if (intersects(s, {11, 30})) d.describeBundle(2);
    else if (s.count(39)) d.describeSystemLanguage();
    else if (intersects(s, group(1000007))) d.describeUninstaller();
    else if (s.count(74)) d.describeBrokenUpdate();
    else if (s.count(67)) d.describePhotosCache();
    else if (intersects(s, group(1000001))) {
        // the plain description
    } else if (intersects(s, group(1000005))) d.describeMediaLibrary();
    else if (intersects(s, group(1000004))) d.describeMail();
    else return nullptr;
    return d.item();
}
