#include "PrivacyModule/Sources/Tools/Chrome/BVChromePreferences.h"

#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "KnowledgeBase/FMDatabase.h"

using nlohmann::ordered_json;

namespace {

const ordered_json* member(const ordered_json& object, std::initializer_list<const char*> keys) {
    const ordered_json* at = &object;
    for (const char* key : keys) {
        if (!at->is_object()) return nullptr;
        auto found = at->find(key);
        if (found == at->end()) return nullptr;
        at = &*found;
    }
    return at;
}

std::string text(const ordered_json* value) { return value && value->is_string() ? value->get<std::string>() : std::string(); }

}  // namespace

std::string BVChromeExtensionSettings::path() const { return text(member(rawSettingsStorage_, {"path"})); }
std::string BVChromeExtensionSettings::name() const { return text(member(rawSettingsStorage_, {"manifest", "name"})); }
ordered_json BVChromeExtensionSettings::icons() const {
    auto icons = member(rawSettingsStorage_, {"manifest", "icons"});
    return icons ? *icons : ordered_json();
}
int64_t BVChromeExtensionSettings::number(const char* key) const {
    auto value = member(rawSettingsStorage_, {key});
    if (!value) return 0;
    if (value->is_boolean()) return value->get<bool>() ? 1 : 0;
    return value->is_number() ? value->get<int64_t>() : 0;
}

BVChromeSecurePreferences::BVChromeSecurePreferences(std::string path, const BVJSONReader& reader) : url_(std::move(path)) {
    if (auto parsed = reader.readJsonAtPath(url_, nullptr); parsed && parsed->is_object()) preferences_ = std::move(*parsed);
    else preferences_ = ordered_json::object();
}

std::optional<std::string> BVChromePreferences::activeProfilePath(const std::string& chromeFolder, const BVJSONReader& reader) {
    auto state = reader.readJsonAtPath(BVFileIO::appendPathComponent(chromeFolder, "Local State"), nullptr);
    if (!state || !state->is_object()) return std::nullopt;
    std::string name = "Default";
    if (auto lastUsed = member(*state, {"profile", "last_used"}); lastUsed && lastUsed->is_string() && !lastUsed->get<std::string>().empty())
        name = lastUsed->get<std::string>();
    // A profile name is one folder of the browser's; anything else is not taken as a path.
    if (name.find('/') != std::string::npos || name == "." || name == "..") return std::nullopt;
    return BVFileIO::appendPathComponent(chromeFolder, name);
}

std::unique_ptr<BVChromePreferences> BVChromePreferences::withProfileDirectoryName(const std::string& chromeFolder,
                                                                                    const std::string& profileDirectoryName,
                                                                                    std::shared_ptr<const BVPaths> paths) {
    std::string account = BVFileIO::appendPathComponent(chromeFolder, profileDirectoryName);
    BVJSONReader reader(paths);
    auto preferences = reader.readJsonAtPath(BVFileIO::appendPathComponent(account, "Preferences"), nullptr);
    if (!preferences || !preferences->is_object()) return nullptr;
    return std::make_unique<BVChromePreferences>(profileDirectoryName, account, std::move(*preferences), std::move(paths));
}

std::vector<std::unique_ptr<BVChromePreferences>> BVChromePreferences::allProfilesPreferences(const std::string& chromeFolder,
                                                                                              std::shared_ptr<const BVPaths> paths) {
    std::vector<std::unique_ptr<BVChromePreferences>> out;
    for (long index = 0;; ++index) {
        auto profile = withProfileDirectoryName(chromeFolder, index == 0 ? "Default" : "Profile " + std::to_string(index), paths);
        if (!profile) break;
        out.push_back(std::move(profile));
    }
    return out;
}

BVChromePreferences::BVChromePreferences(std::string profileDirectoryName, std::string accountPath, ordered_json preferences,
                                         std::shared_ptr<const BVPaths> paths)
    : profileDirectoryName_(std::move(profileDirectoryName)),
      accountPath_(std::move(accountPath)),
      preferences_(std::move(preferences)),
      reader_(paths),
      securePreferences_(BVFileIO::appendPathComponent(accountPath_, "Secure Preferences"), reader_) {
    if (auto sync = member(preferences_, {"sync"}); sync && sync->is_object()) syncSettings_ = *sync;
    else syncSettings_ = ordered_json::object();
    profileName_ = text(member(preferences_, {"profile", "name"}));
    if (auto accounts = member(preferences_, {"account_info"}); accounts && accounts->is_array() && !accounts->empty())
        loggedIn_ = member((*accounts)[0], {"account_id"}) != nullptr;
    if (auto all = member(syncSettings_, {"keep_everything_synced"}))
        fullSync_ = all->is_boolean() ? all->get<bool>() : (all->is_number() && all->get<double>() != 0);
}

const std::set<std::string>& BVChromePreferences::syncDataBaseTags() {
    if (syncDataBaseTags_) return *syncDataBaseTags_;
    syncDataBaseTags_.emplace();
    FMDatabase store(BVFileIO::appendPathComponent(accountPath_, "Sync Data/SyncData.sqlite3"));
    store.setMaxBusyRetryTimeInterval(0);
    if (!store.openWithFlags(SQLITE_OPEN_READONLY, "unix-none") || !store.goodConnection()) return *syncDataBaseTags_;
    if (auto rows = store.executeQuery("SELECT unique_server_tag FROM metas"))
        while (rows->next())
            if (auto tag = rows->stringForColumnIndex(0); !tag.empty()) syncDataBaseTags_->insert(tag);
    store.close();
    return *syncDataBaseTags_;
}

bool BVChromePreferences::synced(const char* settingsKey, const char* tag) {
    if (!loggedIn_) return false;
    if (fullSync_) return true;
    if (auto value = member(syncSettings_, {settingsKey}))
        return value->is_boolean() ? value->get<bool>() : (value->is_number() && value->get<double>() != 0);
    return syncDataBaseTags().count(tag) > 0;
}

bool BVChromePreferences::extensionsSynced() { return synced("extensions", "google_chrome_extensions"); }
bool BVChromePreferences::historySynced() { return synced("history_delete_directives", "google_chrome_history_delete_directives"); }
bool BVChromePreferences::autofillSynced() { return synced("autofill", "google_chrome_autofill"); }
bool BVChromePreferences::passwordsSynced() { return synced("passwords", "google_chrome_passwords"); }
bool BVChromePreferences::lastSessionItemsSynced() { return synced("tabs", "google_chrome_sessions"); }

bool BVChromePreferences::extensionsSecured() const {
    return member(securePreferences_.preferences(), {"protection", "macs", "extensions", "settings"}) != nullptr;
}

ordered_json* BVChromePreferences::extensionSettingsTable(bool create) {
    ordered_json& root = extensionsSecured() ? securePreferences_.preferences() : preferences_;
    if (!create && !member(root, {"extensions", "settings"})) return nullptr;
    if (!root["extensions"].is_object()) root["extensions"] = ordered_json::object();
    ordered_json& settings = root["extensions"]["settings"];
    if (!settings.is_object()) settings = ordered_json::object();
    return &settings;
}

std::optional<BVChromeExtensionSettings> BVChromePreferences::settingsForExtension(const std::string& identifier) const {
    const ordered_json& root = extensionsSecured() ? securePreferences_.preferences() : preferences_;
    auto settings = member(root, {"extensions", "settings"});
    if (!settings || !settings->contains(identifier) || !(*settings)[identifier].is_object()) return std::nullopt;
    return BVChromeExtensionSettings((*settings)[identifier]);
}

void BVChromePreferences::updateSettings(const BVChromeExtensionSettings& settings, const std::string& identifier) {
    (*extensionSettingsTable(true))[identifier] = settings.rawSettings();
    if (extensionsSecured()) {
        securePreferences_.preferences()["protection"]["macs"]["extensions"]["settings"][identifier] = "";
        securePreferences_.setPendingChanges(true);
    }
}

void BVChromePreferences::removeSettingsForExtension(const std::string& identifier) {
    if (auto table = extensionSettingsTable(false)) table->erase(identifier);
    if (extensionsSecured()) {
        securePreferences_.preferences()["protection"]["macs"]["extensions"]["settings"].erase(identifier);
        securePreferences_.setPendingChanges(true);
    }
}

void BVChromePreferences::save() {
    BVError error;
    if (securePreferences_.pendingChanges()) {
        securePreferences_.preferences()["protection"]["super_mac"] = "";
        if (reader_.writeJSON(securePreferences_.preferences(), securePreferences_.url(), &error, true))
            securePreferences_.setPendingChanges(false);
        else
            BVLogger::error(fmt::format("Failed to save Chrome Secure Preferences with error: {}", error.localizedDescription()));
    }
    if (!reader_.writeJSON(preferences_, BVFileIO::appendPathComponent(accountPath_, "Preferences"), &error, true))
        BVLogger::error(fmt::format("Failed to save Chrome Preferences with error: {}", error.localizedDescription()));
}
