#include "SystemJunkModule/BVApplicationLanguagesScanTask.h"

#include <set>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "ScanningService/CoreScanning/BVBaseIgnoreStrategy.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"
#include "SystemJunkModule/BVCodeSignedLocalizations.h"

bool BVApplicationInfo::isEqual(const BVObject& other) const {
    auto* o = dynamic_cast<const BVApplicationInfo*>(&other);
    return o && o->path_ == path_ && o->name_ == name_ && o->bundleID_ == bundleID_;
}

namespace BVLanguageIgnoreItems {
std::string ignoreItemForAnyApplication(const std::string& code) { return code + "-ANY"; }
std::string ignoreItemForName(const std::string& code, const std::string& name) { return code + "-" + name; }
std::string ignoreItemRegex(const std::string& code) { return "^" + code + "-.*$"; }
}  // namespace BVLanguageIgnoreItems

BVApplicationLanguagesScanTask::BVApplicationLanguagesScanTask(std::shared_ptr<const BVPaths> paths, BVSystemInfoPtr systemInfo,
                                                               BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase,
                                                               BVAppLangPreferences preferences,
                                                               std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
    : paths_(std::move(paths)),
      systemInfo_(std::move(systemInfo)),
      fileManager_(std::move(fileManager)),
      knowledgeBase_(std::move(knowledgeBase)),
      preferences_(std::move(preferences)),
      performer_(std::move(performer)) {}

std::shared_ptr<BVApplicationLanguagesScanTask> BVApplicationLanguagesScanTask::task(const BVEnvironment& environment) {
    return std::make_shared<BVApplicationLanguagesScanTask>(
        environment.paths, std::make_shared<BVBundleSystemInfo>(environment.paths, environment.fileManager), environment.fileManager,
        BVEnvironmentServices::knowledgeBase(environment, BVScannerApplicationLocalizations),
        BVAppLangPreferences::forLayout(*environment.paths), environment.performer);
}

std::vector<std::shared_ptr<const BVApplicationInfo>> BVApplicationLanguagesScanTask::userApplications() const {
    std::vector<std::shared_ptr<const BVApplicationInfo>> applications;
    if (paths_->layout() == BVLayout::macos) {
        for (const auto& application : systemInfo_->allFilteredApplications()) {
            if (BVSystemJunk::isSystemIntegrityProtected(*paths_, application.url)) continue;
            std::string name = BVFileIO::lastPathComponent(application.url);
            name = name.substr(0, name.size() - std::string(".app").size());
            applications.push_back(std::make_shared<BVApplicationInfo>(name, application.url, application.bundleID));
        }
        return applications;
    }
    for (const auto& folder : {paths_->home() + "/Applications", paths_->systemPath("/opt")}) {
        if (!fileManager_->isDirectoryAtPath(folder)) continue;
        for (const auto& entry : BVSystemJunk::searchedFolderContents(*fileManager_, folder, progress_))
            if (BVFileIO::lastPathComponent(entry)[0] != '.' && fileManager_->isDirectoryAtPath(entry))
                applications.push_back(std::make_shared<BVApplicationInfo>(BVFileIO::lastPathComponent(entry), entry));
    }
    return applications;
}

BVScanResultPtr BVApplicationLanguagesScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVApplicationLanguagesScanTask", identifier())) return canned;
    if (!preferences_.known()) {
        BVLogger::info("[Languages] The user's languages are unknown: no application languages are offered");
        return BVScanResult::emptyResultWithIdentifier(identifier());
    }
    bool macos = paths_->layout() == BVLayout::macos;
    auto applications = userApplications();
    progress_->addPendingUnitsCount(applications.size());
    auto filter = std::make_shared<BVFileIgnorePredicate>(knowledgeBase_);

    struct Found {
        std::shared_ptr<const BVApplicationInfo> info;
        std::map<std::string, std::vector<std::pair<std::string, uint64_t>>> files;  // code -> folders, sizes
    };
    std::vector<Found> found;
    for (const auto& info : applications) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        progress_->addUnitsCount(1);
        progress_->setPath(info->path());
        if (filter->shouldIgnoreObject(info->path()) || (!info->bundleID().empty() && knowledgeBase_->isIgnoreItem(info->bundleID())))
            continue;
        Found entry{info, {}};
        BVCodeSignedLocalizations seals(info->path());
        auto languages = BVLanguagesUtilities::languagesForApplicationAtPath(*fileManager_, paths_->layout(), info->path(),
                                                                            preferences_, progress_);
        for (const auto& [code, paths] : languages) {
            progress_->sleepThreadWhilePaused();
            if (progress_->isCancelled()) break;
            if (knowledgeBase_->isIgnoreItem(BVLanguageIgnoreItems::ignoreItemForName(code, info->name()))) continue;
            if (knowledgeBase_->isIgnoreItem(BVLanguageIgnoreItems::ignoreItemForAnyApplication(code)) ||
                preferences_.shouldKeepLanguageWithCode(code))
                continue;
            std::vector<std::string> kept;
            for (const auto& path : paths)
                if (!filter->shouldIgnoreObject(path) && !(macos && seals.isCodesignedLprojFileWithPath(path))) kept.push_back(path);
            auto sizes = BVSystemJunk::itemSizes(*fileManager_, kept, performer_, progress_, false);
            for (size_t i = 0; i < kept.size(); ++i)
                if (sizes[i] && *sizes[i] > 0)
                    entry.files[code].emplace_back(kept[i], *sizes[i]);
        }
        if (!entry.files.empty()) found.push_back(std::move(entry));
    }

    std::set<std::string> codes;
    for (const auto& application : found)
        for (const auto& [code, files] : application.files) codes.insert(code);
    std::vector<BVEntityPtr> items;
    for (const auto& code : codes) {
        progress_->sleepThreadWhilePaused();
        bool languageSelected = macos && knowledgeBase_->shouldSelectItem(BVLanguageIgnoreItems::ignoreItemForAnyApplication(code));
        auto language = std::make_shared<BVApplicationLanguageModel>(code, languageSelected);
        language->setIgnoreStrategy(std::make_shared<BVBaseIgnoreStrategy>(
            knowledgeBase_, std::make_shared<BVIgnoreItemInfo>(BVLanguageIgnoreItems::ignoreItemRegex(code), true)));
        for (const auto& application : found) {
            auto files = application.files.find(code);
            if (files == application.files.end()) continue;
            std::string item = BVLanguageIgnoreItems::ignoreItemForName(code, application.info->name());
            bool selected = languageSelected && knowledgeBase_->shouldSelectItem(item) &&
                            knowledgeBase_->shouldSelectItem(application.info->bundleID());
            auto model = std::make_shared<BVLocalizedApplicationFilesModel>(application.info, selected);
            BVSystemJunk::attachIgnoreStrategy(model, knowledgeBase_, item);
            // The folders follow their application's preselection: a language the user unticked
            // for this application counts nothing as preselected.
            for (const auto& [path, size] : files->second)
                model->addChild(BVSystemJunk::fileModel(path, size, knowledgeBase_, selected));
            language->addChild(model);
        }
        items.push_back(language);
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}
