#include "SystemJunkModule/BVXcodeScanTasks.h"

#include <pwd.h>
#include <unistd.h>
#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLocalizedStrings.h"
#include "Foundation/BVPlistCodec.h"
#include "ScanningService/CoreScanning/BVBaseIgnoreStrategy.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"

namespace {

std::string loginName() {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name && *pw->pw_name) return pw->pw_name;
    return {};
}

// A group's name in the user's language; the English name is the key and the fallback.
std::string displayName(const std::string& name) { return BVLocalizedString("SystemJunkModule", "XcodeGroup." + name, name); }

std::string formattedDate(const BVDate& date, const std::string& localeIdentifier, const std::string& timeZoneIdentifier) {
    icu::Locale locale = localeIdentifier.empty() ? icu::Locale::getDefault() : icu::Locale(localeIdentifier.c_str());
    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createDateTimeInstance(icu::DateFormat::kMedium, icu::DateFormat::kShort, locale));
    if (!format) return {};
    if (!timeZoneIdentifier.empty())
        format->adoptTimeZone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(timeZoneIdentifier)));
    icu::UnicodeString text;
    format->format(date.secondsSince1970 * 1000.0, text);
    std::string out;
    text.toUTF8String(out);
    return out;
}

}  // namespace

BVXcodeJunkScanTask::BVXcodeJunkScanTask(BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase,
                                         std::shared_ptr<const BVPaths> paths,
                                         std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
    : fileManager_(std::move(fileManager)),
      knowledgeBase_(std::move(knowledgeBase)),
      paths_(std::move(paths)),
      performer_(std::move(performer)) {}

std::vector<std::string> BVXcodeJunkScanTask::scanningPathsWithURL(const std::string& folder) const {
    std::vector<std::string> entries;
    for (auto& entry : BVSystemJunk::searchedFolderContents(*fileManager_, folder, progress_))
        if (BVFileIO::lastPathComponent(entry).rfind('.', 0) != 0) entries.push_back(std::move(entry));
    return entries;
}

BVPredicatePtr BVXcodeJunkScanTask::filter() const {
    return BVCompoundPredicate::orPredicateWithSubpredicates(
        {BVCompoundPredicate::notPredicateWithSubpredicate(std::make_shared<BVFileExistancePredicate>(fileManager_)),
         std::make_shared<BVFileIgnorePredicate>(knowledgeBase_)});
}

bool BVXcodeJunkScanTask::groupIsHidden(const Group& group, const BVPredicatePtr& filter) const {
    return progress_->isCancelled() || !group.folder || filter->shouldIgnoreObject(*group.folder) ||
           knowledgeBase_->isIgnoreItem(group.name);
}

std::shared_ptr<BVXcodeJunkGroupModel> BVXcodeJunkScanTask::groupModel(const Group& group, int64_t type, uint64_t size) const {
    auto item = std::make_shared<BVXcodeJunkItem>(displayName(group.name), group.folder.value_or(""), type);
    auto model = std::make_shared<BVXcodeJunkGroupModel>(item, size, group.autoselected);
    BVSystemJunk::attachIgnoreStrategy(model, knowledgeBase_, group.name);
    return model;
}

BVScanResultPtr BVXcodeJunkScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult(cannedName(), identifier())) return canned;
    auto filter = this->filter();
    Group group = this->group();
    if (groupIsHidden(group, filter)) return BVScanResult::emptyResultWithIdentifier(identifier());

    auto entries = candidates(*group.folder);
    progress_->addPendingUnitsCount(entries.size());
    std::vector<BVXcodeJunkItemPtr> offered;
    for (const auto& entry : entries) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        auto item = filter->shouldIgnoreObject(entry) ? nullptr : junkItem(entry);
        // An item put on the ignore list through its own strategy stays hidden, whatever
        // value that strategy keeps (a module cache keeps its name, not its path).
        if (!item || knowledgeBase_->isIgnoreItem(ignoreValue(*item))) {
            progress_->setPath(entry);
            progress_->addUnitsCount(1);
            continue;
        }
        offered.push_back(item);
    }
    std::vector<std::string> measured;
    for (const auto& item : offered) measured.push_back(item->url());
    // Measured one unit each, with the path and the size reported as they go.
    auto sizes = BVSystemJunk::itemSizes(*fileManager_, measured, performer_, progress_);

    auto model = groupModel(group, BVXcodeJunkItemTypeOther, 0);
    for (size_t i = 0; i < offered.size(); ++i) {
        if (!sizes[i] || *sizes[i] == 0) continue;  // not measured (cancelled), or nothing to free
        auto child = std::make_shared<BVXcodeJunkItemModel>(offered[i], *sizes[i], group.itemsAutoselected);
        BVSystemJunk::attachIgnoreStrategy(child, knowledgeBase_, ignoreValue(*offered[i]));
        child->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase_, offered[i]->url()));
        model->addChild(child);
    }
    if (model->children().empty()) return BVScanResult::emptyResultWithIdentifier(identifier());
    return BVScanResult::resultWithIdentifier(identifier(), {model});
}

// Derived data.

std::string BVXcodeDerivedDataScanTask::projectName(const std::string& folderName) {
    auto dash = folderName.rfind('-');
    return dash == std::string::npos || dash == 0 ? folderName : folderName.substr(0, dash);
}

BVXcodeJunkScanTask::Group BVXcodeDerivedDataScanTask::group() const {
    return {"Xcode Derived Data", paths_->derivedData(), true, true};
}

BVXcodeJunkItemPtr BVXcodeDerivedDataScanTask::junkItem(const std::string& path) const {
    std::string name = BVFileIO::lastPathComponent(path);
    // Xcode's module cache ("ModuleCache" before Xcode 9, "ModuleCache.noindex" since) is shared
    // by every project and offered with the module caches.
    if (name == "ModuleCache" || name == "ModuleCache.noindex") return nullptr;
    return std::make_shared<BVXcodeJunkItem>(projectName(name), path, BVXcodeJunkItemTypeDerivedData);
}

// Module caches.

BVXcodeJunkScanTask::Group BVXcodeModuleCachesScanTask::group() const { return {"Module Caches", paths_->moduleCache(), false, false}; }

std::vector<std::string> BVXcodeModuleCachesScanTask::candidates(const std::string&) {
    std::vector<std::string> fixed;
    for (const auto& place : {paths_->llvmModuleCache(), paths_->llvmUserModuleCache(), paths_->moduleCache()})
        if (place) fixed.push_back(*place);
    return fixed;
}

BVXcodeJunkItemPtr BVXcodeModuleCachesScanTask::junkItem(const std::string& path) const {
    std::string name;
    if (path == paths_->llvmModuleCache()) name = "org.llvm.clang";
    else if (path == paths_->llvmUserModuleCache()) name = "org.llvm.clang." + loginName();
    else if (path == paths_->moduleCache()) name = "com.apple.dt.xcode";
    else return nullptr;
    return std::make_shared<BVXcodeJunkItem>(name, path);
}

// Device logs.

BVXcodeJunkScanTask::Group BVXcodeDeviceLogsScanTask::group() const { return {"iOS Device Logs", paths_->iOSDeviceLogs(), true, false}; }

BVScanResultPtr BVXcodeDeviceLogsScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult(cannedName(), identifier())) return canned;
    auto filter = this->filter();
    Group group = this->group();
    if (groupIsHidden(group, filter)) return BVScanResult::emptyResultWithIdentifier(identifier());
    progress_->addPendingUnitsCount(1);
    progress_->sleepThreadWhilePaused();
    if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier());
    progress_->setPath(*group.folder);
    uint64_t size = BVSystemJunk::itemSize(*fileManager_, *group.folder, performer_, progress_);
    progress_->addSize(size);
    progress_->addUnitsCount(1);
    if (size == 0) return BVScanResult::emptyResultWithIdentifier(identifier());
    auto model = groupModel(group, BVXcodeJunkItemTypeDeviceLogs, size);
    model->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase_, *group.folder));
    return BVScanResult::resultWithIdentifier(identifier(), {model});
}

// Archives.

BVXcodeJunkScanTask::Group BVXcodeArchivesScanTask::group() const { return {"Archives", paths_->archives(), false, false}; }

BVScanResultPtr BVXcodeArchivesScanTask::scan() {
    if (auto empty = BVSystemJunk::fakeEmptyResult(identifier())) return empty;
    return BVXcodeJunkScanTask::scan();
}

bool BVXcodeArchivesScanTask::isValidArchive(const BVFileManager& fileManager, const std::string& path) {
    return BVFileIO::pathExtension(path) == "xcarchive" && fileManager.fileExistsAtPath(BVFileIO::appendPathComponent(path, "Info.plist"));
}

std::vector<std::string> BVXcodeArchivesScanTask::candidates(const std::string& folder) {
    // Xcode keeps its archives in one folder per day.
    std::vector<std::string> archives;
    for (const auto& day : scanningPathsWithURL(folder)) {
        if (progress_->isCancelled()) break;
        for (auto& entry : scanningPathsWithURL(day))
            if (isValidArchive(*fileManager_, entry)) archives.push_back(std::move(entry));
    }
    return archives;
}

std::string BVXcodeArchivesScanTask::archiveTitle(const BVValue& info, const std::string& localeIdentifier,
                                                  const std::string& timeZoneIdentifier) {
    std::string title = info["Name"].stringValue();
    const BVValue& properties = info["ApplicationProperties"];
    if (properties["CFBundleShortVersionString"].isString()) title += " " + properties["CFBundleShortVersionString"].stringValue();
    if (properties["CFBundleVersion"].isString()) title += " (" + properties["CFBundleVersion"].stringValue() + ")";
    if (auto date = info["CreationDate"].dateValue()) title += " - " + formattedDate(*date, localeIdentifier, timeZoneIdentifier);
    // Without a name the title starts with what follows it.
    size_t start = title.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : title.substr(start);
}

BVXcodeJunkItemPtr BVXcodeArchivesScanTask::junkItem(const std::string& path) const {
    if (!isValidArchive(*fileManager_, path)) return nullptr;
    auto info = BVPlistCodec::decodeFile(BVFileIO::appendPathComponent(path, "Info.plist"));
    std::string title = info ? archiveTitle(*info) : std::string();
    // An unreadable list still marks an archive: it is named by its folder.
    if (title.empty()) title = BVFileIO::lastPathComponent(path);
    return std::make_shared<BVXcodeJunkItem>(title, path, BVXcodeJunkItemTypeArchive);
}

// Device support.

BVXcodeDeviceSupportJunkScanTask::BVXcodeDeviceSupportJunkScanTask(std::string identifier, std::string rootName,
                                                                   std::optional<std::string> rootURL, BVFileManagerPtr fileManager,
                                                                   BVJunkKnowledgeBasePtr knowledgeBase,
                                                                   std::shared_ptr<const BVPaths> paths,
                                                                   std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
    : BVXcodeJunkScanTask(std::move(fileManager), std::move(knowledgeBase), std::move(paths), std::move(performer)),
      identifier_(std::move(identifier)),
      rootName_(std::move(rootName)),
      rootURL_(std::move(rootURL)) {}

std::shared_ptr<BVXcodeDeviceSupportJunkScanTask> BVXcodeDeviceSupportJunkScanTask::iOSDeviceSupportScanTask(
    BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase, std::shared_ptr<const BVPaths> paths,
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer) {
    auto root = paths->iOSDeviceSupport();
    return std::make_shared<BVXcodeDeviceSupportJunkScanTask>("BVSystemJunkScanIdentifierXcodeiOSDeviceSupport", "iOS Device Support",
                                                              root, std::move(fileManager), std::move(knowledgeBase),
                                                              std::move(paths), std::move(performer));
}

std::shared_ptr<BVXcodeDeviceSupportJunkScanTask> BVXcodeDeviceSupportJunkScanTask::tvOSDeviceSupportScanTask(
    BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase, std::shared_ptr<const BVPaths> paths,
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer) {
    auto root = paths->tvOSDeviceSupport();
    return std::make_shared<BVXcodeDeviceSupportJunkScanTask>("BVSystemJunkScanIdentifierXcodeiOSDeviceSupport", "tvOS Device Support",
                                                              root, std::move(fileManager), std::move(knowledgeBase),
                                                              std::move(paths), std::move(performer));
}

std::shared_ptr<BVXcodeDeviceSupportJunkScanTask> BVXcodeDeviceSupportJunkScanTask::watchOSDeviceSupportScanTask(
    BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase, std::shared_ptr<const BVPaths> paths,
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer) {
    auto root = paths->watchOSDeviceSupport();
    return std::make_shared<BVXcodeDeviceSupportJunkScanTask>("BVSystemJunkScanIdentifierXcodeiOSDeviceSupport",
                                                              "watchOS Device Support", root, std::move(fileManager),
                                                              std::move(knowledgeBase), std::move(paths), std::move(performer));
}

BVXcodeJunkItemPtr BVXcodeDeviceSupportJunkScanTask::junkItem(const std::string& path) const {
    return std::make_shared<BVXcodeJunkItem>(BVFileIO::lastPathComponent(path), path);
}

// Documentation caches.

BVXcodeJunkScanTask::Group BVXcodeModuleDocumentationCachesScanTask::group() const {
    return {"Xcode Documentation Cache", paths_->xcodeDocumentationCache(), false, false};
}

BVXcodeJunkItemPtr BVXcodeModuleDocumentationCachesScanTask::junkItem(const std::string& path) const {
    return std::make_shared<BVXcodeJunkItem>("iOS " + BVFileIO::lastPathComponent(path), path, BVXcodeJunkItemTypeDocumentationCache);
}

// Installs.

BVXcodeJunkScanTask::Group BVXcodeInstallsScanTask::group() const {
    auto folder = paths_->xcodeInstalls();
    return {folder ? BVFileIO::lastPathComponent(*folder) : std::string(), folder, false, false};
}

BVXcodeJunkItemPtr BVXcodeInstallsScanTask::junkItem(const std::string& path) const {
    return std::make_shared<BVXcodeJunkItem>(BVFileIO::lastPathComponent(path), path, BVXcodeJunkItemTypeInstalls);
}

namespace BVXcodeScanTasks {

std::vector<std::shared_ptr<BVXcodeJunkScanTask>> tasks(BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase,
                                                        std::shared_ptr<const BVPaths> paths,
                                                        std::shared_ptr<BVPrivilegedOperationsPerformer> performer) {
    return {
        std::make_shared<BVXcodeDerivedDataScanTask>(fileManager, knowledgeBase, paths, performer),
        std::make_shared<BVXcodeModuleCachesScanTask>(fileManager, knowledgeBase, paths, performer),
        std::make_shared<BVXcodeDeviceLogsScanTask>(fileManager, knowledgeBase, paths, performer),
        std::make_shared<BVXcodeArchivesScanTask>(fileManager, knowledgeBase, paths, performer),
        BVXcodeDeviceSupportJunkScanTask::iOSDeviceSupportScanTask(fileManager, knowledgeBase, paths, performer),
        BVXcodeDeviceSupportJunkScanTask::tvOSDeviceSupportScanTask(fileManager, knowledgeBase, paths, performer),
        BVXcodeDeviceSupportJunkScanTask::watchOSDeviceSupportScanTask(fileManager, knowledgeBase, paths, performer),
        std::make_shared<BVXcodeModuleDocumentationCachesScanTask>(fileManager, knowledgeBase, paths, performer),
        std::make_shared<BVXcodeInstallsScanTask>(fileManager, knowledgeBase, paths, performer),
    };
}

}  // namespace BVXcodeScanTasks
