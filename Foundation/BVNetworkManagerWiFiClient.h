// BVNetworkManagerWiFiClient: the remembered Wi-Fi networks of this host, from NetworkManager:
// "nmcli -t -f NAME,UUID,TYPE,TIMESTAMP connection show" lists the connections (terse fields
// separated by ":", a ":" or "\" inside a field escaped with "\"), those of type wifi are the
// networks (one list: NetworkManager keeps them for every interface), the name is the SSID a
// person chose, a timestamp of 0 means never connected. "nmcli connection delete uuid UUID"
// removes one; NetworkManager asks polkit, and a refusal is the error with nmcli's words. A host
// without nmcli remembers no networks; NetworkManager not running is an error.
#pragma once

#include "Foundation/BVTaskRunner.h"
#include "Foundation/BVWiFiClient.h"

class BVNetworkManagerWiFiClient : public BVWiFiClient {
public:
    // `nmcli` is the program to run (a name looked up in PATH, or a path).
    explicit BVNetworkManagerWiFiClient(BVTaskRunnerPtr runner, std::string nmcli = "nmcli");

    std::optional<std::vector<std::vector<BVNetworkProfile>>> interfaceProfiles(BVError* error) const override;
    bool removeNetworkProfile(const BVNetworkProfile& profile, BVError* error) override;

    // The wifi connections of nmcli's terse listing.
    static std::vector<BVNetworkProfile> parseConnections(const std::string& terseListing);

private:
    BVTaskRunnerPtr runner_;
    std::string nmcli_;
};
