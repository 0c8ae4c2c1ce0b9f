// BVChromePreferences: one profile of a Chrome-family browser (Google Chrome, Chromium): its
// folder, its name, whether its data is synchronised, and the extension settings kept in its
// "Preferences" and "Secure Preferences" files.
//
// The browser's folder holds "Local State", whose "profile"."last_used" names the profile in
// use ("Default" when absent). A profile exists when its "Preferences" parses. A data type
// counts as synchronised when the user is signed in and either everything is synchronised, or
// the sync settings hold the type's key (its value decides), or the sync store's tags name it.
// The sync store ("Sync Data/SyncData.sqlite3") is read once, read-only and without taking
// locks, so a running browser is not disturbed. Saving writes the secure file first (when it
// changed), then "Preferences", each replaced whole; failures are logged and otherwise ignored,
// as the browser rewrites these files itself. One object per thread.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "PrivacyModule/Sources/Tools/BVJSONReader.h"

// The raw settings of one extension, read and written by key.
class BVChromeExtensionSettings {
public:
    explicit BVChromeExtensionSettings(nlohmann::ordered_json settings) : rawSettingsStorage_(std::move(settings)) {}
    const nlohmann::ordered_json& rawSettings() const { return rawSettingsStorage_; }

    int64_t state() const { return number("state"); }
    void setState(int64_t value) { rawSettingsStorage_["state"] = value; }
    bool needsSync() const { return number("needs_sync") != 0; }
    void setNeedsSync(bool value) { rawSettingsStorage_["needs_sync"] = value ? 1 : 0; }
    int64_t disableReasons() const { return number("disable_reasons"); }
    void setDisableReasons(int64_t value) { rawSettingsStorage_["disable_reasons"] = value; }
    bool enabled() const { return number("enabled") != 0; }
    void setEnabled(bool value) { rawSettingsStorage_["enabled"] = value ? 1 : 0; }
    std::string path() const;
    std::string name() const;
    nlohmann::ordered_json icons() const;

private:
    int64_t number(const char* key) const;
    nlohmann::ordered_json rawSettingsStorage_;
};

// The "Secure Preferences" file of a profile.
class BVChromeSecurePreferences {
public:
    BVChromeSecurePreferences(std::string path, const BVJSONReader& reader);
    const std::string& url() const { return url_; }
    nlohmann::ordered_json& preferences() { return preferences_; }
    const nlohmann::ordered_json& preferences() const { return preferences_; }
    bool pendingChanges() const { return pendingChanges_; }
    void setPendingChanges(bool value) { pendingChanges_ = value; }

private:
    std::string url_;
    nlohmann::ordered_json preferences_;
    bool pendingChanges_ = false;
};

class BVChromePreferences {
public:
    // The profile folder in use in the browser folder `chromeFolder`; none when "Local State"
    // cannot be read or parsed.
    static std::optional<std::string> activeProfilePath(const std::string& chromeFolder, const BVJSONReader& reader);
    // "Default", then "Profile 1", "Profile 2", ... up to the first that does not exist.
    static std::vector<std::unique_ptr<BVChromePreferences>> allProfilesPreferences(
        const std::string& chromeFolder, std::shared_ptr<const BVPaths> paths);
    // The profile `profileDirectoryName` of `chromeFolder`; none when its "Preferences" does not
    // parse.
    static std::unique_ptr<BVChromePreferences> withProfileDirectoryName(const std::string& chromeFolder,
                                                                         const std::string& profileDirectoryName,
                                                                         std::shared_ptr<const BVPaths> paths);

    const std::string& profileDirectoryName() const { return profileDirectoryName_; }
    const std::string& profileName() const { return profileName_; }
    const std::string& accountPath() const { return accountPath_; }
    bool loggedIn() const { return loggedIn_; }
    bool fullSync() const { return fullSync_; }

    bool extensionsSynced();
    bool historySynced();
    bool autofillSynced();
    bool passwordsSynced();
    bool lastSessionItemsSynced();
    // True when extension settings live in "Secure Preferences" (it has a protection table).
    bool extensionsSecured() const;

    std::optional<BVChromeExtensionSettings> settingsForExtension(const std::string& identifier) const;
    void updateSettings(const BVChromeExtensionSettings& settings, const std::string& identifier);
    void removeSettingsForExtension(const std::string& identifier);
    void save();

    BVChromePreferences(std::string profileDirectoryName, std::string accountPath, nlohmann::ordered_json preferences,
                        std::shared_ptr<const BVPaths> paths);

private:
    bool synced(const char* settingsKey, const char* tag);
    const std::set<std::string>& syncDataBaseTags();
    nlohmann::ordered_json* extensionSettingsTable(bool create);

    std::string profileDirectoryName_;
    std::string profileName_;
    std::string accountPath_;
    nlohmann::ordered_json syncSettings_;
    std::optional<std::set<std::string>> syncDataBaseTags_;
    bool loggedIn_ = false;
    bool fullSync_ = false;
    nlohmann::ordered_json preferences_;
    BVJSONReader reader_;
    BVChromeSecurePreferences securePreferences_;
};
