#include "SystemJunkModule/BVStartupItemModel.h"

#include "OptimizationModule/BVStartupRemovalCheck.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

BVStartupItemModel::BVStartupItemModel(const std::string& path, uint64_t size, bool autoselected, std::string name, Type type,
                                       BVValue configuration, BVLoginItemsManagerPtr loginItems, BVLaunchdManagerPtr launchd,
                                       std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
    : BVEntity(BVURL::fileURLWithPath(path), size, autoselected),
      path_(path),
      name_(std::move(name)),
      type_(type),
      configuration_(std::move(configuration)),
      loginItems_(std::move(loginItems)),
      launchd_(std::move(launchd)),
      performer_(std::move(performer)) {}

BVURLPtr BVStartupItemModel::fileURL() const { return BVURL::fileURLWithPath(path_); }

BVRemovalResultPtr BVStartupItemModel::remove() {
    auto self = shared_from_this();
    if (auto refusal = BVStartupRemovalCheck::refusal(*this, path_)) return std::make_shared<BVRemovalResult>(self, 0, *refusal);
    if (type_ == LoginItem) {
        BVError error;
        if (!loginItems_->removeLoginItemAtPath(path_, &error) && error.code() != 0)
            return std::make_shared<BVRemovalResult>(self, 0, error);
        return std::make_shared<BVRemovalResult>(self, size(), std::nullopt);
    }
    if (launchd_->removeAgentAtPath(path_)) return std::make_shared<BVRemovalResult>(self, size(), std::nullopt);
    bool authorized = performer_ && performer_->isAuthorized();
    BVError agentError = launchd_->lastError();
    if (authorized && performer_->removeLaunchAgentAtURL(path_, std::nullopt, &agentError))
        return std::make_shared<BVRemovalResult>(self, size(), std::nullopt);
    BVDictionary info = agentError.userInfo();
    if (!info.count(BVLocalizedDescriptionKey))
        info[BVLocalizedDescriptionKey] = BVValue("Couldn't remove " + path_ + ".");
    BVError error(BVStartupItemModelDomain, authorized ? BVStartupItemModelErrorPrivilegedRemoval : BVStartupItemModelErrorNotAuthorized,
                  info);
    return std::make_shared<BVRemovalResult>(self, 0, error);
}
