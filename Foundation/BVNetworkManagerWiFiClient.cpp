#include "Foundation/BVNetworkManagerWiFiClient.h"

#include <cerrno>
#include <sstream>

namespace {

constexpr double kTimeoutSeconds = 30;

// Splits one terse line at unescaped ":" and unescapes the fields.
std::vector<std::string> terseFields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            fields.back() += line[++i];
        } else if (c == ':') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    return line.empty() ? text : line;
}

BVError toolError(const BVTaskOutcome& outcome, const std::string& what) {
    std::string reason = firstLine(outcome.standardError.empty() ? outcome.standardOutput : outcome.standardError);
    if (outcome.timedOut) reason = "nmcli did not answer in time";
    if (reason.empty()) reason = "nmcli exited with status " + std::to_string(outcome.exitStatus);
    return BVError::withDescription("BVNetworkManagerErrorDomain", outcome.exitStatus, what + ": " + reason);
}

}  // namespace

BVNetworkManagerWiFiClient::BVNetworkManagerWiFiClient(BVTaskRunnerPtr runner, std::string nmcli)
    : runner_(std::move(runner)), nmcli_(std::move(nmcli)) {}

std::vector<BVNetworkProfile> BVNetworkManagerWiFiClient::parseConnections(const std::string& terseListing) {
    std::vector<BVNetworkProfile> out;
    std::istringstream lines(terseListing);
    std::string line;
    while (std::getline(lines, line)) {
        auto fields = terseFields(line);
        if (fields.size() < 4) continue;
        const std::string& type = fields[2];
        if (type != "802-11-wireless" && type != "wifi") continue;
        BVNetworkProfile profile;
        profile.ssid = fields[0];
        profile.identifier = fields[1];
        char* end = nullptr;
        long long seconds = std::strtoll(fields[3].c_str(), &end, 10);
        if (end != fields[3].c_str() && seconds > 0) profile.lastConnected = BVDate{double(seconds)};
        out.push_back(std::move(profile));
    }
    return out;
}

std::optional<std::vector<std::vector<BVNetworkProfile>>> BVNetworkManagerWiFiClient::interfaceProfiles(BVError* error) const {
    BVTaskRequest request;
    request.executable = nmcli_;
    request.arguments = {"-t", "-f", "NAME,UUID,TYPE,TIMESTAMP", "connection", "show"};
    request.timeoutSeconds = kTimeoutSeconds;
    auto outcome = runner_->run(request);
    if (!outcome.launched) {
        if (outcome.launchErrno == ENOENT) return std::vector<std::vector<BVNetworkProfile>>{};
        BVSetError(error, BVError::fromErrno(outcome.launchErrno, nmcli_));
        return std::nullopt;
    }
    if (!outcome.succeeded()) {
        BVSetError(error, toolError(outcome, "The remembered Wi-Fi networks could not be listed"));
        return std::nullopt;
    }
    return std::vector<std::vector<BVNetworkProfile>>{parseConnections(outcome.standardOutput)};
}

bool BVNetworkManagerWiFiClient::removeNetworkProfile(const BVNetworkProfile& profile, BVError* error) {
    BVTaskRequest request;
    request.executable = nmcli_;
    request.arguments = {"connection", "delete", "uuid", profile.identifier};
    request.timeoutSeconds = kTimeoutSeconds;
    auto outcome = runner_->run(request);
    if (!outcome.launched) {
        BVSetError(error, BVError::fromErrno(outcome.launchErrno, nmcli_));
        return false;
    }
    if (outcome.succeeded()) return true;
    BVSetError(error, toolError(outcome, "The Wi-Fi network " + profile.ssid + " could not be forgotten"));
    return false;
}
