#include "SystemJunkModule/BVApplicationLanguagesScanTask.h"

#include <algorithm>
#include <mutex>
#include <set>

#include "Foundation/BVDirectoryWalker.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "ScanningService/CoreScanning/BVBaseIgnoreStrategy.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"

namespace {

// `locale` folders sit near the top of an application (share/locale, usr/share/locale of an
// extracted image, lib/app/locale); deeper walks would cost much in large /opt trees.
constexpr size_t kDeepestLocaleFolder = 6;

size_t depthBelow(const std::string& root, const std::string& path) {
    return size_t(std::count(path.begin() + std::min(path.size(), root.size()), path.end(), '/'));
}

}  // namespace

bool BVApplicationInfo::isEqual(const BVObject& other) const {
    auto* o = dynamic_cast<const BVApplicationInfo*>(&other);
    return o && o->path_ == path_ && o->name_ == name_;
}

namespace BVLanguageIgnoreItems {
std::string ignoreItemForAnyApplication(const std::string& code) { return code + "-ANY"; }
std::string ignoreItemForName(const std::string& code, const std::string& name) { return code + "-" + name; }
std::string ignoreItemRegex(const std::string& code) { return "^" + code + "-.*$"; }
}  // namespace BVLanguageIgnoreItems

namespace BVLanguagesUtilities {

void scanResourcesForLanguages(const BVFileManager& fileManager, const std::string& localeFolder,
                               std::map<std::string, std::vector<std::string>>& languages,
                               const BVAppLangPreferences& preferences, const std::shared_ptr<BVComputableProgress>& progress) {
    if (progress) {
        progress->sleepThreadWhilePaused();
        if (progress->isCancelled()) return;
    }
    size_t counted = 0;
    std::map<std::string, std::vector<std::string>> found;
    for (const auto& entry : BVSystemJunk::searchedFolderContents(fileManager, localeFolder, progress)) {
        if (progress) {
            progress->sleepThreadWhilePaused();
            if (progress->isCancelled()) return;
        }
        auto code = BVLanguageCodes::localeFolderCode(BVFileIO::lastPathComponent(entry));
        if (!code || !fileManager.isDirectoryAtPath(entry)) continue;
        ++counted;
        if (!preferences.isProtectedISOCode(*code)) found[*code].push_back(entry);
    }
    if (counted > 0 && counted == found.size()) {
        std::string codes;
        for (const auto& [code, paths] : found) codes += (codes.empty() ? "" : ", ") + code;
        BVLogger::debug("Won't remove all localizations of " + localeFolder + ". Localizations: [" + codes + "]");
        return;
    }
    for (auto& [code, paths] : found) {
        auto& into = languages[code];
        into.insert(into.end(), paths.begin(), paths.end());
    }
}

std::map<std::string, std::vector<std::string>> languagesForApplicationAtPath(
    const BVFileManager& fileManager, const std::string& application, const BVAppLangPreferences& preferences,
    const std::shared_ptr<BVComputableProgress>& progress) {
    std::mutex mutex;
    std::set<std::string> localeFolders;
    BVDirectoryWalker walker(1);
    walker.setTypesOnly(true);
    BVDirectoryWalker::Summary summary;
    walker.walk(
        application,
        [&](unsigned, const BVWalkEntry& entry) {
            if (!entry.isDirectory()) return false;
            std::string path = entry.path();
            if (std::string(entry.name) == "locale") {
                std::lock_guard lock(mutex);
                localeFolders.insert(path);
                return false;
            }
            return depthBelow(application, path) < kDeepestLocaleFolder;
        },
        [&] { return progress && progress->isCancelled(); }, &summary);
    std::map<std::string, std::vector<std::string>> languages;
    if (!summary.opened) return languages;
    for (const auto& folder : localeFolders) {
        scanResourcesForLanguages(fileManager, folder, languages, preferences, progress);
        if (progress && progress->isCancelled()) return {};
    }
    return languages;
}

}  // namespace BVLanguagesUtilities

BVApplicationLanguagesScanTask::BVApplicationLanguagesScanTask(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                                                               BVJunkKnowledgeBasePtr knowledgeBase, BVAppLangPreferences preferences,
                                                               std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
    : paths_(std::move(paths)),
      fileManager_(std::move(fileManager)),
      knowledgeBase_(std::move(knowledgeBase)),
      preferences_(std::move(preferences)),
      performer_(std::move(performer)) {}

std::shared_ptr<BVApplicationLanguagesScanTask> BVApplicationLanguagesScanTask::task(const BVEnvironment& environment) {
    return std::make_shared<BVApplicationLanguagesScanTask>(
        environment.paths, environment.fileManager,
        BVEnvironmentServices::knowledgeBase(environment, BVScannerApplicationLocalizations),
        BVAppLangPreferences::fromEnvironment(), environment.performer);
}

std::vector<std::string> BVApplicationLanguagesScanTask::userApplications() const {
    std::vector<std::string> applications;
    if (paths_->layout() != BVLayout::linux) return applications;
    for (const auto& folder : {paths_->home() + "/Applications", paths_->systemPath("/opt")}) {
        if (!fileManager_->isDirectoryAtPath(folder)) continue;
        for (const auto& entry : BVSystemJunk::searchedFolderContents(*fileManager_, folder, progress_))
            if (BVFileIO::lastPathComponent(entry)[0] != '.' && fileManager_->isDirectoryAtPath(entry)) applications.push_back(entry);
    }
    return applications;
}

BVScanResultPtr BVApplicationLanguagesScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVApplicationLanguagesScanTask", identifier())) return canned;
    auto applications = userApplications();
    progress_->addPendingUnitsCount(applications.size());
    auto filter = std::make_shared<BVFileIgnorePredicate>(knowledgeBase_);

    struct Found {
        std::shared_ptr<const BVApplicationInfo> info;
        std::map<std::string, std::vector<std::shared_ptr<BVFileModel>>> files;  // code -> folders
    };
    std::vector<Found> found;
    for (const auto& application : applications) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        progress_->addUnitsCount(1);
        progress_->setPath(application);
        if (filter->shouldIgnoreObject(application)) continue;
        Found entry{std::make_shared<BVApplicationInfo>(BVFileIO::lastPathComponent(application), application), {}};
        for (const auto& [code, paths] : BVLanguagesUtilities::languagesForApplicationAtPath(*fileManager_, application, preferences_, progress_)) {
            progress_->sleepThreadWhilePaused();
            if (progress_->isCancelled()) break;
            if (knowledgeBase_->isIgnoreItem(BVLanguageIgnoreItems::ignoreItemForName(code, entry.info->name()))) continue;
            if (knowledgeBase_->isIgnoreItem(BVLanguageIgnoreItems::ignoreItemForAnyApplication(code)) ||
                preferences_.shouldKeepLanguageWithCode(code))
                continue;
            std::vector<std::string> kept;
            for (const auto& path : paths)
                if (!filter->shouldIgnoreObject(path)) kept.push_back(path);
            auto sizes = BVSystemJunk::itemSizes(*fileManager_, kept, performer_, progress_, false);
            for (size_t i = 0; i < kept.size(); ++i)
                if (sizes[i] && *sizes[i] > 0)
                    entry.files[code].push_back(BVSystemJunk::fileModel(kept[i], *sizes[i], knowledgeBase_, false));
        }
        if (!entry.files.empty()) found.push_back(std::move(entry));
    }

    std::set<std::string> codes;
    for (const auto& application : found)
        for (const auto& [code, files] : application.files) codes.insert(code);
    std::vector<BVEntityPtr> items;
    for (const auto& code : codes) {
        progress_->sleepThreadWhilePaused();
        auto language = std::make_shared<BVApplicationLanguageModel>(code, false);
        language->setIgnoreStrategy(std::make_shared<BVBaseIgnoreStrategy>(
            knowledgeBase_, std::make_shared<BVIgnoreItemInfo>(BVLanguageIgnoreItems::ignoreItemRegex(code), true)));
        for (const auto& application : found) {
            auto files = application.files.find(code);
            if (files == application.files.end()) continue;
            auto model = std::make_shared<BVLocalizedApplicationFilesModel>(application.info, false);
            BVSystemJunk::attachIgnoreStrategy(model, knowledgeBase_,
                                               BVLanguageIgnoreItems::ignoreItemForName(code, application.info->name()));
            for (const auto& file : files->second) model->addChild(file);
            language->addChild(model);
        }
        items.push_back(language);
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}
