// The remembered Wi-Fi networks: the scan lists every profile of every interface (joined in
// interface order) as a network entry, with no group; removing one needs the network
// configuration authorization in force (code 102 without it) and the Wi-Fi client's removal
// (code 101 when it fails, with the client's reason). The authorization is obtained once before
// a clean removes networks and dropped afterwards (BVPreferredNetworksCleanTask). On linux the
// client is NetworkManager's, which asks polkit itself for each removal, so the authorization
// there only records that the clean asked.
#pragma once

#include <functional>
#include <mutex>

#include "Foundation/BVWiFiClient.h"
#include "PrivacyModule/Sources/BVPrivacyModels.h"
#include "PrivacyModule/Sources/BVPrivacyScanTask.h"
#include "ScanningService/CoreScanning/BVModelCleanTask.h"

inline constexpr const char* BVPrivacyModuleScanIdentifierPreferredNetworks = "BVPrivacyModuleScanIdentifierPreferredNetworks";
inline constexpr const char* BVPreferredNetworkModelErrorDomain = "BVPreferredNetworkModelErrorDomain";
inline constexpr int64_t BVPreferredNetworkModelErrorRemovalFailed = 101;
inline constexpr int64_t BVPreferredNetworkModelErrorNotAuthorized = 102;

// The right to change the network configuration. `obtain` asks for it (the platform's dialog;
// it may block until answered) and answers whether it was granted. Safe from any thread.
class BVNetworkConfigurationAuthorization {
public:
    explicit BVNetworkConfigurationAuthorization(std::function<bool()> obtain) : obtain_(std::move(obtain)) {}
    // Answers true at once when already authorized; else asks and records the answer.
    bool authorizeIfNeeded();
    void deauthorize();
    bool isAuthorized() const;

private:
    std::function<bool()> obtain_;
    mutable std::mutex mutex_;
    bool authorized_ = false;
};

class BVPreferredNetworkModel : public BVPrivacyRecordModel {
    BV_ENTITY_CLASS(BVPreferredNetworkModel)
public:
    BVPreferredNetworkModel(BVNetworkProfile profile, BVWiFiClientPtr client, std::shared_ptr<BVNetworkConfigurationAuthorization> authorization);
    const BVNetworkProfile& profile() const { return profile_; }
    const std::string& name() const { return profile_.ssid; }
    std::optional<BVDate> lastConnectedDate() const { return profile_.lastConnected; }
    int64_t security() const { return profile_.security; }
    bool isSecure() const { return profile_.security != BVWiFiSecurityNone && profile_.security != BVWiFiSecurityUnknown; }
    const std::shared_ptr<BVNetworkConfigurationAuthorization>& authorization() const { return authorization_; }
    BVRemovalResultPtr remove() override;

private:
    BVNetworkProfile profile_;
    BVWiFiClientPtr client_;
    std::shared_ptr<BVNetworkConfigurationAuthorization> authorization_;
};

class BVPreferredNetworksScanTask : public BVPrivacyScanTask {
public:
    BVPreferredNetworksScanTask(std::shared_ptr<BVNetworkConfigurationAuthorization> authorization, BVWiFiClientPtr wiFiClient);

protected:
    std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) override;

private:
    std::shared_ptr<BVNetworkConfigurationAuthorization> authorization_;
    BVWiFiClientPtr client_;
};

// Removes chosen networks between obtaining the authorization and dropping it.
class BVPreferredNetworksCleanTask : public BVModelCleanTask {
public:
    BVPreferredNetworksCleanTask(std::vector<BVEntityPtr> models, std::shared_ptr<BVNetworkConfigurationAuthorization> authorization)
        : BVModelCleanTask(std::move(models)), authorization_(std::move(authorization)) {}
    BVCleanTaskResultPtr perform() override;

private:
    std::shared_ptr<BVNetworkConfigurationAuthorization> authorization_;
};
