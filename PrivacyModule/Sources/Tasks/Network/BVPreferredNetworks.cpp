#include "PrivacyModule/Sources/Tasks/Network/BVPreferredNetworks.h"

#include "Foundation/BVLogger.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"

bool BVNetworkConfigurationAuthorization::authorizeIfNeeded() {
    std::lock_guard lock(mutex_);
    if (!authorized_) authorized_ = obtain_ && obtain_();
    return authorized_;
}

void BVNetworkConfigurationAuthorization::deauthorize() {
    std::lock_guard lock(mutex_);
    authorized_ = false;
}

bool BVNetworkConfigurationAuthorization::isAuthorized() const {
    std::lock_guard lock(mutex_);
    return authorized_;
}

BVPreferredNetworkModel::BVPreferredNetworkModel(BVNetworkProfile profile, BVWiFiClientPtr client,
                                                 std::shared_ptr<BVNetworkConfigurationAuthorization> authorization)
    : BVPrivacyRecordModel(BVValue(BVDictionary{{"ssid", BVValue(profile.ssid)}, {"identifier", BVValue(profile.identifier)}}), profile.ssid),
      profile_(std::move(profile)),
      client_(std::move(client)),
      authorization_(std::move(authorization)) {}

BVRemovalResultPtr BVPreferredNetworkModel::remove() {
    if (BVDebugSwitches::isOn(BVDebugModeAllFailedRemove))
        return BVRemovalResult::failedResultWithModel(shared_from_this(), BVError(BVOSStatusErrorDomain, 404));
    if (BVDebugSwitches::isOn(BVDebugModeFakeRemove)) {
        BVLogger::info(fmt::format("[privacy] fake remove wi-fi network {}", name()));
        return BVRemovalResult::emptyResultWithModel(shared_from_this());
    }
    if (!authorization_ || !authorization_->isAuthorized())
        return BVRemovalResult::failedResultWithModel(
            shared_from_this(), BVError::withDescription(BVPreferredNetworkModelErrorDomain, BVPreferredNetworkModelErrorNotAuthorized,
                                                         "The Wi-Fi network " + name() + " was not forgotten: changing the network settings was not authorized."));
    BVError error;
    if (!client_->removeNetworkProfile(profile_, &error)) {
        BVError failed(BVPreferredNetworkModelErrorDomain, BVPreferredNetworkModelErrorRemovalFailed,
                       BVDictionary{{BVLocalizedDescriptionKey, BVValue(error.localizedDescription())},
                                    {BVUnderlyingErrorKey, BVValue(BVDictionary{{"domain", BVValue(error.domain())}, {"code", BVValue(error.code())}})}});
        return BVRemovalResult::failedResultWithModel(shared_from_this(), failed);
    }
    return BVRemovalResult::successfulResultWithModel(shared_from_this());
}

BVPreferredNetworksScanTask::BVPreferredNetworksScanTask(std::shared_ptr<BVNetworkConfigurationAuthorization> authorization,
                                                         BVWiFiClientPtr wiFiClient)
    : BVPrivacyScanTask(BVPrivacyModuleScanIdentifierPreferredNetworks, "BVPreferredNetworksScanTask", {}),
      authorization_(std::move(authorization)),
      client_(std::move(wiFiClient)) {}

std::optional<std::vector<BVEntityPtr>> BVPreferredNetworksScanTask::makeItems(BVError* error) {
    auto interfaces = client_->interfaceProfiles(error);
    if (!interfaces) return std::nullopt;
    std::vector<BVEntityPtr> items;
    for (const auto& profiles : *interfaces) {
        computableProgress()->sleepThreadWhilePaused();
        if (computableProgress()->isCancelled()) break;
        computableProgress()->addPendingUnitsCount(profiles.size());
        for (const auto& profile : profiles) {
            items.push_back(std::make_shared<BVPreferredNetworkModel>(profile, client_, authorization_));
            computableProgress()->addUnitsCount(1);
            computableProgress()->setPath(profile.ssid);
        }
    }
    return items;
}

BVCleanTaskResultPtr BVPreferredNetworksCleanTask::perform() {
    if (authorization_) authorization_->authorizeIfNeeded();
    auto result = BVModelCleanTask::perform();
    if (authorization_) authorization_->deauthorize();
    return result;
}
