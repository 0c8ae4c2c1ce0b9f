// BVWiFiClient: the Wi-Fi networks the computer remembers, per interface, and their removal.
// On linux they are NetworkManager's connections of type wifi, read and deleted with nmcli
// (deleting asks polkit, or fails with nmcli's reason); the macos layout's platform Wi-Fi client
// does not exist on this host, and tests script this interface. Implementations are safe from
// any thread; calls block while a tool runs.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVError.h"
#include "Foundation/BVValue.h"

// The security modes of a network profile that matter here.
enum BVWiFiSecurity : int64_t { BVWiFiSecurityNone = 0, BVWiFiSecurityUnknown = -1 };

struct BVNetworkProfile {
    std::string ssid;
    std::string identifier;  // what names the profile to its store (a connection's UUID)
    int64_t security = BVWiFiSecurityUnknown;
    std::optional<BVDate> lastConnected;  // none when the profile does not say
    bool operator==(const BVNetworkProfile& other) const { return identifier == other.identifier && ssid == other.ssid; }
};

class BVWiFiClient {
public:
    virtual ~BVWiFiClient() = default;
    // The interfaces, in order, each with the profiles of its configuration; none with the
    // reason when the store cannot be read.
    virtual std::optional<std::vector<std::vector<BVNetworkProfile>>> interfaceProfiles(BVError* error) const = 0;
    // Removes the profile; false with the reason.
    virtual bool removeNetworkProfile(const BVNetworkProfile& profile, BVError* error) = 0;
};

using BVWiFiClientPtr = std::shared_ptr<BVWiFiClient>;
