#include "OptimizationModule/BVLaunchAgentModel.h"

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLocalizedStrings.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVUserDefaults.h"
#include "OptimizationModule/BVStartupRemovalCheck.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

namespace {

BVError launchAgentError(int64_t code, const char* key, const std::string& path) {
    return BVError::withDescription(BVLaunchAgentModelErrorDomain, code,
                                    BVFormatLocalized(BVLocalizedString("Errors", key, "Couldn't remove %@."), {path}));
}

}  // namespace

BVLaunchAgentModel::BVLaunchAgentModel(const std::string& specificationURL, std::optional<BVLaunchAgentExecutable> executable,
                                       bool isAutoselected, std::shared_ptr<BVPrivilegedOperationsPerformer> performer,
                                       BVLaunchdManagerPtr launchdManager, std::shared_ptr<BVUserDefaults> defaults)
    : BVEntity(BVURL::fileURLWithPath(specificationURL), 0, isAutoselected),
      specificationURL_(specificationURL),
      executable_(std::move(executable)),
      isEnabled_(launchdManager->isLoadedLaunchAgentWithConfigPath(specificationURL)),
      performer_(std::move(performer)),
      launchdManager_(std::move(launchdManager)),
      defaults_(std::move(defaults)) {}

BVURLPtr BVLaunchAgentModel::fileURL() const { return BVURL::fileURLWithPath(specificationURL_); }

std::string BVLaunchAgentModel::identifier() const {
    std::string name = BVFileIO::lastPathComponent(specificationURL_);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool BVLaunchAgentModel::setEnabled(bool enabled, const std::optional<std::string>& prompt) {
    if (enabled == isEnabled_) return true;
    bool done = enabled ? launchdManager_->enableAgentAtPath(specificationURL_) : launchdManager_->disableAgentAtPath(specificationURL_);
    if (!done) lastError_ = launchdManager_->lastError();
    if (!done && performer_ && performer_->isAuthorizedWithPrompt(prompt)) {
        BVError error;
        done = enabled ? performer_->enableLaunchAgentAtURL(specificationURL_, prompt, &error)
                       : performer_->disableLaunchAgentAtURL(specificationURL_, prompt, &error);
        if (!done) lastError_ = error;
    }
    if (enabled)
        isEnabled_ = done;
    else if (done)
        isEnabled_ = false;
    std::string shown = BVPaths::sharedInstance()->abbreviateHome(specificationURL_);
    BVLogger::info("[optimization] login item at " + shown + " " + (done ? "has" : "hasn't") +
                   (enabled ? " been enable" : " been disabled"));
    return done;
}

BVRemovalResultPtr BVLaunchAgentModel::remove() {
    auto self = shared_from_this();
    auto isOn = [&](const char* key) {
        return defaults_ ? BVDebugSwitches::isOn(*defaults_, key) : BVDebugSwitches::isOn(key);
    };
    if (isOn(BVDebugModeAllFailedRemove))
        return BVRemovalResult::failedResultWithModel(
            self, launchAgentError(BVLaunchAgentModelErrorDebug, "ErrorDescriptionRemoving_CouldntRemoveWithPrivileges", specificationURL_));
    if (isOn(BVDebugModeFakeRemove)) return std::make_shared<BVRemovalResult>(self, size(), std::nullopt);

    std::string shown = BVPaths::sharedInstance()->abbreviateHome(specificationURL_);
    BVError error;
    bool removed = false;
    if (auto refusal = BVStartupRemovalCheck::refusal(*this, specificationURL_)) {
        error = *refusal;
    } else if (launchdManager_->removeAgentAtPath(specificationURL_)) {
        removed = true;
    } else if (performer_ && performer_->isAuthorizedWithPrompt(std::nullopt)) {
        BVError agentError;
        removed = performer_->removeLaunchAgentAtURL(specificationURL_, std::nullopt, &agentError);
        if (!removed)
            error = agentError.domain().empty()
                        ? launchAgentError(BVLaunchAgentModelErrorPrivilegedRemoval,
                                           "ErrorDescriptionRemoving_CouldntRemoveWithPrivileges", specificationURL_)
                        : agentError;
    } else {
        error = launchAgentError(BVLaunchAgentModelErrorNotAuthorized, "ErrorDescriptionRemoving_FileWasntAuthorized",
                                 specificationURL_);
    }
    if (removed) {
        BVLogger::info("[optimization] login item at " + shown + " has been removed");
        return std::make_shared<BVRemovalResult>(self, size(), std::nullopt);
    }
    BVLogger::error("[optimization] login item at " + shown + " hasn't been removed with error " + error.localizedDescription());
    return std::make_shared<BVRemovalResult>(self, 0, error);
}
