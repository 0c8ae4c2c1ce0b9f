#include "SystemJunkModule/BVBrokenStartupItemsScanTasks.h"

#include <unistd.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVProgramLocator.h"
#include "Foundation/QLFileSizer.h"
#include "OptimizationModule/BVStartupKnowledgeBase.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedReplyWaiter.h"
#include "ScanningService/CoreScanning/BVRemovalDependency.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"
#include "SystemJunkModule/BVStartupItemModel.h"

namespace {

std::string withoutExtension(const std::string& path) {
    std::string name = BVFileIO::lastPathComponent(path);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// True when the user cannot look into the folder holding `path` or one above it.
bool isRestricted(const std::string& path) {
    for (std::string folder = BVFileIO::parentPath(path); folder.size() > 1; folder = BVFileIO::parentPath(folder))
        if (::access(folder.c_str(), F_OK) == 0 && ::access(folder.c_str(), X_OK) != 0) return true;
    return false;
}

}  // namespace

BVBrokenLoginItemsScanTask::BVBrokenLoginItemsScanTask(BVStartupServicesPtr services, BVJunkKnowledgeBasePtr knowledgeBase,
                                                       std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager)
    : services_(std::move(services)), knowledgeBase_(std::move(knowledgeBase)), paths_(std::move(paths)), fileManager_(std::move(fileManager)) {}

BVScanResultPtr BVBrokenLoginItemsScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVBrokenLoginItemsScanTask", identifier())) return canned;
    // Existing targets are not broken.
    auto filter = BVCompoundPredicate::orPredicateWithSubpredicates(
        {std::make_shared<BVFileExistancePredicate>(fileManager_), std::make_shared<BVFileIgnorePredicate>(knowledgeBase_)});
    auto infos = services_->loginItems->loginItemInfos();
    // The user's own entries that do not parse start nothing: broken too (the system's are the system's).
    for (const auto& invalid : services_->loginItems->invalidLoginItems())
        if (BVFileIO::isPathInside(invalid.path, paths_->home()))
            infos.push_back({{BVLoginItemPathKey, BVValue(invalid.path)}, {BVLoginItemURLKey, BVValue(std::string())},
                             {"BVLoginItemReason", BVValue(invalid.reason)}});
    progress_->addPendingUnitsCount(infos.size());
    if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier());
    std::vector<BVEntityPtr> items;
    for (const auto& info : infos) {
        if (progress_->isCancelled()) break;
        progress_->sleepThreadWhilePaused();
        progress_->addUnitsCount(1);
        BVValue dictionary(info);
        std::string url = dictionary[BVLoginItemURLKey].stringValue();
        std::string name = dictionary[BVLoginItemNameKey].stringValue();
        std::string path = dictionary[BVLoginItemPathKey].stringValue(url);
        bool hasURL = dictionary.contains(BVLoginItemURLKey);
        progress_->setPath(hasURL ? url : name);
        if (filter->shouldIgnoreObject(hasURL ? url : name) || knowledgeBase_->isIgnoreItem(path)) continue;
        uint64_t size = QLFileSizer::itemSizeAtURL(path);
        if (name.empty()) name = services_->loginItems->displayNameAtPath(path);
        if (name.empty()) name = withoutExtension(path);
        auto model = std::make_shared<BVStartupItemModel>(path, size, knowledgeBase_->shouldSelectItem(path), name,
                                                          BVStartupItemModel::LoginItem, dictionary, services_->loginItems,
                                                          services_->launchd, nullptr);
        BVSystemJunk::attachIgnoreStrategy(model, knowledgeBase_, path);
        model->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase_, path));
        items.push_back(model);
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}

BVBrokenLaunchdAgentsItemsScanTask::BVBrokenLaunchdAgentsItemsScanTask(BVStartupServicesPtr services,
                                                                       BVJunkKnowledgeBasePtr knowledgeBase,
                                                                       std::shared_ptr<const BVPaths> paths,
                                                                       std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
    : services_(std::move(services)), knowledgeBase_(std::move(knowledgeBase)), paths_(std::move(paths)), performer_(std::move(performer)) {}

bool BVBrokenLaunchdAgentsItemsScanTask::programExists(const std::string& program, const BVValue& configuration) {
    if (!program.empty() && program[0] == '/') {
        std::string onDisk = BVProgramLocator::onDisk(*paths_, program);
        if (isRestricted(onDisk)) {
            // What the user cannot look at the agent can; unasked, it counts as there.
            if (!performer_ || !performer_->isAuthorized()) return true;
            auto proxy = performer_->remoteObjectProxy();
            bool found = BVPrivilegedReplyWaiter::wait<bool>(BVPrivilegedReplyWaiter::connectionOf(proxy), false, [&](std::function<void(bool)> done) {
                proxy->fileExistsAtPath(onDisk, [done](bool ok, BVOptionalError) { done(ok); });
            });
            if (found) return true;
        } else if (BVProgramLocator::exists(onDisk)) {
            return true;
        }
    }
    return services_->launchd->lookUpProgram(program, configuration).has_value();
}

bool BVBrokenLaunchdAgentsItemsScanTask::isBroken(const BVValue& job) {
    if (job[BVJobProgramUnknownKey].boolValue()) return false;
    std::string program;
    if (job["Program"].isString())
        program = job["Program"].stringValue();
    else if (!job["ProgramArguments"].arrayValue().empty() && job["ProgramArguments"].arrayValue()[0].isString())
        program = job["ProgramArguments"].arrayValue()[0].stringValue();
    if (!program.empty() && program[0] != '/' && job["WorkingDirectory"].isString())
        program = BVFileIO::appendPathComponent(job["WorkingDirectory"].stringValue(), program);
    if (!program.empty()) program = paths_->expandTilde(program);
    if (!program.empty() && program[0] == '/') program = BVFileIO::lexicallyNormalPath(program).value_or(program);
    if (program.empty()) return true;
    return !programExists(program, job);
}

BVScanResultPtr BVBrokenLaunchdAgentsItemsScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVBrokenLaunchdAgentsItemsScanTask", identifier())) return canned;
    auto files = services_->systemInfo->allLaunchFiles();
    progress_->addPendingUnitsCount(files.size());
    std::vector<BVEntityPtr> items;
    for (const auto& path : files) {
        if (progress_->isCancelled()) break;
        progress_->sleepThreadWhilePaused();
        progress_->addUnitsCount(1);
        progress_->setPath(path);
        if (knowledgeBase_->isIgnoreItem(path)) continue;
        auto job = services_->launchd->jobConfigurationAtPath(path, nullptr);
        if (!job || !isBroken(*job)) continue;
        auto model = std::make_shared<BVStartupItemModel>(path, QLFileSizer::itemSizeAtURL(path), knowledgeBase_->shouldSelectItem(path),
                                                          BVFileIO::lastPathComponent(path), BVStartupItemModel::LaunchAgent, *job,
                                                          services_->loginItems, services_->launchd, performer_);
        BVSystemJunk::attachIgnoreStrategy(model, knowledgeBase_, path);
        model->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase_, path));
        items.push_back(model);
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}

namespace BVBrokenStartupItemsScanTask {
std::shared_ptr<BVCompoundScanTask> task(const BVEnvironment& environment, const BVStartupServicesPtr& services) {
    auto knowledgeBase = BVStartupKnowledgeBase(environment, BVScannerBrokenLoginItems);
    return std::make_shared<BVCompoundScanTask>(
        "BVSystemJunkScanIdentifierBrokenStartupItems",
        std::vector<BVScanTaskPtr>{
            std::make_shared<BVBrokenLoginItemsScanTask>(services, knowledgeBase, environment.paths, environment.fileManager),
            std::make_shared<BVBrokenLaunchdAgentsItemsScanTask>(services, knowledgeBase, environment.paths, environment.performer)});
}
}  // namespace BVBrokenStartupItemsScanTask
