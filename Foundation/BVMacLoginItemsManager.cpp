#include "Foundation/BVMacLoginItemsManager.h"

#include <algorithm>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVPlistCodec.h"
#include "Foundation/BVProgramLocator.h"

namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

BVMacLoginItemsManager::BVMacLoginItemsManager(std::shared_ptr<const BVPaths> paths, BVTaskRunnerPtr runner,
                                               std::optional<bool> live)
    : paths_(std::move(paths)), runner_(std::move(runner)), live_(live.value_or(BVProgramLocator::isLiveSystem(*paths_))) {}

std::string BVMacLoginItemsManager::disabledListPath() const {
    return BVFileIO::appendPathComponent(paths_->userPreferences().value_or(paths_->home()),
                                         "com.quillon.Brenvik4.DisabledLoginItems.plist");
}

bool BVMacLoginItemsManager::script(const std::string& text, std::string* output, BVError* error) const {
    if (!live_) {
        BVSetError(error, BVStartupServicesErrorWith(BVStartupServicesErrorNoServiceManager,
                                                     "The login-item list of a fixture home cannot be reached."));
        return false;
    }
    BVTaskRequest request;
    request.executable = "/usr/bin/osascript";
    request.arguments = {"-e", text};
    request.timeoutSeconds = 30;
    BVTaskOutcome outcome = runner_->run(request);
    if (!outcome.succeeded()) {
        BVSetError(error, BVStartupServicesErrorWith(outcome.launched ? BVStartupServicesErrorToolFailed
                                                                      : BVStartupServicesErrorNoServiceManager,
                                                     outcome.launched ? "osascript failed: " + outcome.standardError
                                                                      : "The login-item list cannot be reached here (no osascript)."));
        return false;
    }
    if (output) *output = outcome.standardOutput;
    return true;
}

std::optional<std::vector<std::string>> BVMacLoginItemsManager::activeItems(BVError* error) const {
    std::string text;
    if (!script("tell application \"System Events\" to get the path of every login item", &text, error)) return std::nullopt;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    std::vector<std::string> items;
    size_t start = 0;
    while (start < text.size()) {
        size_t comma = text.find(", /", start);
        items.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 2;
    }
    return items;
}

std::vector<std::string> BVMacLoginItemsManager::disabledItems() const {
    std::vector<std::string> items;
    if (auto stored = BVPlistCodec::decodeFile(disabledListPath()))
        for (const auto& v : stored->arrayValue())
            if (v.isString()) items.push_back(v.stringValue());
    return items;
}

bool BVMacLoginItemsManager::storeDisabledItems(const std::vector<std::string>& items, BVError* error) const {
    BVArray list;
    for (const auto& item : items) list.push_back(BVValue(item));
    std::string reason;
    if (BVPlistCodec::encodeToFile(BVValue(std::move(list)), disabledListPath(), BVPlistCodec::Format::XML, &reason)) return true;
    BVSetError(error, BVStartupServicesErrorWith(BVStartupServicesErrorToolFailed, reason));
    return false;
}

std::vector<std::string> BVMacLoginItemsManager::validLoginItemsList() {
    auto items = activeItems().value_or(std::vector<std::string>{});
    for (const auto& item : disabledItems())
        if (std::find(items.begin(), items.end(), item) == items.end()) items.push_back(item);
    return items;
}

std::vector<BVDictionary> BVMacLoginItemsManager::loginItemInfos() {
    std::vector<BVDictionary> out;
    for (const auto& path : validLoginItemsList())
        out.push_back({{BVLoginItemURLKey, BVValue(path)}, {BVLoginItemNameKey, BVValue(displayNameAtPath(path))},
                       {BVLoginItemPathKey, BVValue(path)}});
    return out;
}

bool BVMacLoginItemsManager::loginItemIsDisabled(const std::string& path) {
    auto active = activeItems().value_or(std::vector<std::string>{});
    return std::find(active.begin(), active.end(), path) == active.end();
}

std::string BVMacLoginItemsManager::displayNameAtPath(const std::string& path) {
    std::string name = BVFileIO::lastPathComponent(path);
    return BVFileIO::pathExtension(name) == "app" ? name.substr(0, name.size() - 4) : name;
}

bool BVMacLoginItemsManager::setLoginItemAtPath(const std::string& path, bool enabled, BVError* error) {
    std::lock_guard lock(changes_);
    auto active = activeItems(error);
    if (!active) return false;
    if ((std::find(active->begin(), active->end(), path) == active->end()) == !enabled) return true;
    auto disabled = disabledItems();
    if (enabled) {
        if (!script("tell application \"System Events\" to make login item at end with properties {path:" + quoted(path) +
                        ", hidden:false}",
                    nullptr, error))
            return false;
        disabled.erase(std::remove(disabled.begin(), disabled.end(), path), disabled.end());
        return storeDisabledItems(disabled, error);
    }
    if (!script("tell application \"System Events\" to delete login item " + quoted(displayNameAtPath(path)), nullptr, error))
        return false;
    disabled.push_back(path);
    return storeDisabledItems(disabled, error);
}

bool BVMacLoginItemsManager::removeLoginItemAtPath(const std::string& path, BVError* error) {
    std::lock_guard lock(changes_);
    auto active = activeItems(error);
    if (!active) return false;
    if (std::find(active->begin(), active->end(), path) != active->end() &&
        !script("tell application \"System Events\" to delete login item " + quoted(displayNameAtPath(path)), nullptr, error))
        return false;
    auto disabled = disabledItems();
    if (std::find(disabled.begin(), disabled.end(), path) == disabled.end()) return true;
    disabled.erase(std::remove(disabled.begin(), disabled.end(), path), disabled.end());
    return storeDisabledItems(disabled, error);
}
