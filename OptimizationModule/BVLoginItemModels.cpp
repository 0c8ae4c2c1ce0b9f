#include "OptimizationModule/BVLoginItemModels.h"

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPaths.h"
#include "OptimizationModule/BVStartupRemovalCheck.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

BVLaunchServicesLoginItemModel::BVLaunchServicesLoginItemModel(const std::string& applicationURL,
                                                               BVLoginItemsManagerPtr loginItemsManager)
    : BVEntity(BVURL::fileURLWithPath(applicationURL), 0, false),
      applicationURL_(applicationURL),
      name_(loginItemsManager->displayNameAtPath(applicationURL)),
      isEnabled_(!loginItemsManager->loginItemIsDisabled(applicationURL)),
      loginItemsManager_(std::move(loginItemsManager)) {}

BVURLPtr BVLaunchServicesLoginItemModel::fileURL() const { return BVURL::fileURLWithPath(applicationURL_); }

bool BVLaunchServicesLoginItemModel::setIsEnabled(bool enabled, BVError* error) {
    if (enabled == isEnabled_) return true;
    loginItemsManager_->setLoginItemAtPath(applicationURL_, enabled, error);
    isEnabled_ = !loginItemsManager_->loginItemIsDisabled(applicationURL_);
    return isEnabled_ == enabled;
}

BVRemovalResultPtr BVLaunchServicesLoginItemModel::remove() {
    auto self = shared_from_this();
    std::string shown = BVPaths::sharedInstance()->abbreviateHome(applicationURL_);
    BVError error;
    if (auto refusal = BVStartupRemovalCheck::refusal(*this, applicationURL_)) {
        error = *refusal;
    } else if (loginItemsManager_->removeLoginItemAtPath(applicationURL_, &error) || error.code() == 0) {
        BVLogger::info("[optimization] login item at " + shown + " has been removed");
        return BVRemovalResult::successfulResultWithModel(self);
    }
    BVLogger::error("[optimization] login item at " + shown + " coudn't be removed with error " + error.localizedDescription());
    return BVRemovalResult::failedResultWithModel(self, error);
}

BVServiceManagementLoginItemModel::BVServiceManagementLoginItemModel(const std::string& bundleIdentifier,
                                                                     const std::string& mainApplicationURL,
                                                                     const std::string& helperApplicationURL,
                                                                     BVServiceManagementPtr serviceManagement)
    : BVEntity(BVValueObject::with(BVValue(bundleIdentifier)), 0, false),
      bundleIdentifier_(bundleIdentifier),
      applicationURL_(mainApplicationURL),
      helperApplicationURL_(helperApplicationURL),
      name_(BVFileIO::lastPathComponent(mainApplicationURL)),
      isEnabled_(serviceManagement->isLoginItemWithBundleIDEnabled(bundleIdentifier)),
      serviceManagement_(std::move(serviceManagement)) {}

bool BVServiceManagementLoginItemModel::setIsEnabled(bool enabled) {
    if (enabled == isEnabled_ || applicationURL_.empty() || helperApplicationURL_.empty()) return enabled == isEnabled_;
    BVLogger::info("[optimization] set login item at " + BVPaths::sharedInstance()->abbreviateHome(helperApplicationURL_) +
                   " enabled: " + std::to_string(enabled ? 1 : 0));
    if (serviceManagement_->setLoginItemWithBundleURL(helperApplicationURL_, enabled)) isEnabled_ = enabled;
    return isEnabled_ == enabled;
}

BVRemovalResultPtr BVServiceManagementLoginItemModel::remove() {
    return BVRemovalResult::failedResultWithModel(
        shared_from_this(), BVError::withDescription(BVStartupServicesErrorDomain, BVStartupServicesErrorRestricted,
                                                     name_ + " registers its helper itself: it can be switched off, not removed."));
}
