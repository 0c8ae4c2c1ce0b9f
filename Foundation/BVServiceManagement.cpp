#include "Foundation/BVServiceManagement.h"

#include <unistd.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVPlistCodec.h"

namespace {
std::string domainOf(const std::string& bundleID) { return "gui/" + std::to_string(getuid()) + "/" + bundleID; }
}  // namespace

BVTaskOutcome BVLaunchctlServiceManagement::launchctl(const std::vector<std::string>& arguments) const {
    BVTaskRequest request;
    request.executable = "/bin/launchctl";
    request.arguments = arguments;
    request.timeoutSeconds = 30;
    return runner_->run(request);
}

bool BVLaunchctlServiceManagement::isLoginItemWithBundleIDEnabled(const std::string& bundleID) {
    return launchctl({"print", domainOf(bundleID)}).succeeded();
}

bool BVLaunchctlServiceManagement::setLoginItemWithBundleURL(const std::string& helperURL, bool enabled) {
    auto info = BVPlistCodec::decodeFile(BVFileIO::appendPathComponent(helperURL, "Contents/Info.plist"));
    std::string bundleID = info ? (*info)["CFBundleIdentifier"].stringValue() : std::string();
    if (bundleID.empty()) return false;
    return launchctl({enabled ? "enable" : "disable", domainOf(bundleID)}).succeeded();
}
