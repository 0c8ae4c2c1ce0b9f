#include "SystemJunkModule/BVBrokenPreferences.h"

#include <algorithm>

#include "Foundation/BVASCIICase.h"
#include "Foundation/BVDesktopEntry.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVJSONCodec.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPlistCodec.h"
#include "Foundation/BVSafeFileIO.h"
#include "Foundation/QLFileSizer.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"
#include "ScanningService/CoreScanning/Predicates/BVMojaveProtectedPathPredicate.h"

BVBrokenPreferencesModel::BVBrokenPreferencesModel(const std::string& path, uint64_t size, bool autoselected, std::string name,
                                                   BVFileManagerPtr fileManager, BVPrefsdManagerPtr prefsdManager,
                                                   BVTaskRunnerPtr taskRunner)
    : BVEntity(BVURL::fileURLWithPath(path), size, autoselected),
      path_(path),
      name_(std::move(name)),
      fileManager_(std::move(fileManager)),
      prefsdManager_(std::move(prefsdManager)),
      taskRunner_(std::move(taskRunner)) {}

BVRemovalResultPtr BVBrokenPreferencesModel::remove() {
    auto self = shared_from_this();
    if (!fileManager_->fileExistsAtPath(path_)) return std::make_shared<BVRemovalResult>(self, 0, std::nullopt);
    if (BVFileIO::pathExtension(path_) != "lockfile" && prefsdManager_->usesDefaultsDomains()) {
        std::string domain = fileManager_->isDirectoryAtPath(path_) ? BVFileIO::lastPathComponent(path_)
                                                                    : BVFileIO::lastPathComponent(path_).substr(
                                                                          0, BVFileIO::lastPathComponent(path_).rfind('.'));
        BVTaskRequest request;
        request.executable = "/usr/bin/defaults";
        request.arguments = {"delete", domain};
        request.timeoutSeconds = 30;
        BVTaskOutcome outcome = taskRunner_->run(request);
        if (!outcome.succeeded())
            BVLogger::info("Failed to remove from defaults domain " + domain + ". Exit status: " + std::to_string(outcome.exitStatus));
        prefsdManager_->setNeedsRelaunch(true);
    }
    return BVRemovalResultFromReport(self, remover()->removeItem(path_));
}

BVBrokenPreferencesScanTask::BVBrokenPreferencesScanTask(const BVEnvironment& environment, BVStartupServicesPtr services)
    : paths_(environment.paths),
      fileManager_(environment.fileManager),
      knowledgeBase_(BVEnvironmentServices::knowledgeBase(environment, BVScannerBrokenPreferences)),
      services_(std::move(services)) {}

std::vector<std::string> BVBrokenPreferencesScanTask::judgedExtensions(BVLayout layout) {
    if (layout == BVLayout::macos) return {"plist"};
    return {"plist", "json", "desktop"};
}

bool BVBrokenPreferencesScanTask::isBroken(const std::string& path) const {
    std::string name = BVFileIO::lastPathComponent(path);
    auto identity = fileManager_->identityAtPath(path, nullptr);
    auto judged = judgedExtensions(paths_->layout());
    std::string extension = BVASCIILowercase(BVFileIO::pathExtension(name));
    if (!identity || !identity->isRegularFile() || name.empty() || name[0] == '.' ||
        std::find(judged.begin(), judged.end(), extension) == judged.end() || path.find(".lockfile") != std::string::npos ||
        identity->length == 0)
        return false;
    if (BVSafeFileIO::isImmutable(paths_->resolver(), path)) {
        BVLogger::debug("Failed to read pref file: " + path);
        return false;
    }
    if (progress_->isCancelled()) return false;
    std::string bytes;
    if (!BVSafeFileIO::readFile(paths_->resolver(), path, bytes, BVPlistCodec::kMaximumInputBytes, nullptr)) return false;
    if (extension == "plist") return !BVPlistCodec::decode(bytes).has_value();
    if (extension == "json") return !BVJSONCodec::decode(bytes).has_value();
    return !BVDesktopEntry::parse(bytes).has_value();
}

BVScanResultPtr BVBrokenPreferencesScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVBrokenPreferencesScanTask", identifier())) return canned;
    auto folder = paths_->userPreferences();
    if (progress_->isCancelled() || !folder || !fileManager_->isDirectoryAtPath(*folder))
        return BVScanResult::emptyResultWithIdentifier(identifier());
    auto ignore = std::make_shared<BVFileIgnorePredicate>(knowledgeBase_);
    auto protectedPaths = std::make_shared<BVMojaveProtectedPathPredicate>();
    auto entries = fileManager_->contentsOfDirectoryAtURL(*folder, nullptr, BVDirectoryEnumerationSkipsHiddenFiles);
    progress_->addPendingUnitsCount(entries.size());
    std::vector<BVEntityPtr> items;
    for (const auto& path : entries) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        progress_->addUnitsCount(1);
        progress_->setPath(path);
        if (ignore->shouldIgnoreObject(path) || protectedPaths->shouldIgnoreObject(path) || !isBroken(path)) continue;
        std::string file = BVFileIO::lastPathComponent(path);
        size_t dash = file.rfind('-');
        uint64_t size = QLFileSizer::itemSizeAtURL(path);
        auto model = std::make_shared<BVBrokenPreferencesModel>(path, size, knowledgeBase_->shouldSelectItem(path),
                                                                dash == std::string::npos ? file : file.substr(0, dash), fileManager_,
                                                                services_->prefsd, services_->taskRunner);
        BVSystemJunk::attachIgnoreStrategy(model, knowledgeBase_, path);
        model->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase_, path));
        progress_->addSize(size);
        items.push_back(model);
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}
