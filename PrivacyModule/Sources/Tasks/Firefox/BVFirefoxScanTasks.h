// The Firefox item-kind scans: cookies and browsing history grouped by host, downloads and saved
// form values one entry per row, saved logins grouped by host, and the last session's files.
// Each reads its store through its own controller (the history and downloads tasks each have one
// on "places.sqlite"); a store that cannot be read, such as one the running browser holds locked,
// is the task's error. The groups keep their controllers so that a clean long after the scan
// works on the same store.
#pragma once

#include <memory>

#include "PrivacyModule/Sources/BVPrivacyFilesTask.h"
#include "PrivacyModule/Sources/BVPrivacyScanTask.h"
#include "PrivacyModule/Sources/Tools/BVJSONReader.h"
#include "PrivacyModule/Sources/Tools/Firefox/BVFirefoxControllers.h"

inline constexpr const char* BVPrivacyModuleScanIdentifierFirefox = "BVPrivacyModuleScanIdentifierFirefox";
inline constexpr const char* BVPrivacyModuleScanIdentifierFirefoxCookies = "BVPrivacyModuleScanIdentifierFirefoxCookies";
inline constexpr const char* BVPrivacyModuleScanIdentifierFirefoxBrowsingHistory = "BVPrivacyModuleScanIdentifierFirefoxBrowsingHistory";
inline constexpr const char* BVPrivacyModuleScanIdentifierFirefoxDownloadsHistory = "BVPrivacyModuleScanIdentifierFirefoxDownloadsHistory";
inline constexpr const char* BVPrivacyModuleScanIdentifierFirefoxAutofillValues = "BVPrivacyModuleScanIdentifierFirefoxAutofillValues";
inline constexpr const char* BVPrivacyModuleScanIdentifierFirefoxLastSessionTabs = "BVPrivacyModuleScanIdentifierFirefoxLastSessionTabs";
inline constexpr const char* BVPrivacyModuleScanIdentifierFirefoxSavedPasswords = "BVPrivacyModuleScanIdentifierFirefoxSavedPasswords";
inline constexpr const char* BVFirefoxBundleIdentifier = "org.mozilla.firefox";

class BVFirefoxCookiesScanTask : public BVPrivacyScanTask {
public:
    BVFirefoxCookiesScanTask(std::shared_ptr<BVFirefoxCookiesController> controller, std::vector<std::string> bundleIDs);
protected:
    std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) override;
private:
    std::shared_ptr<BVFirefoxCookiesController> controller_;
};

class BVFirefoxBrowsingHistoryScanTask : public BVPrivacyScanTask {
public:
    BVFirefoxBrowsingHistoryScanTask(std::shared_ptr<BVFirefoxBrowsingHistoryController> controller, std::vector<std::string> bundleIDs);
protected:
    std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) override;
private:
    std::shared_ptr<BVFirefoxBrowsingHistoryController> controller_;
};

class BVFirefoxDownloadsHistoryScanTask : public BVPrivacyScanTask {
public:
    BVFirefoxDownloadsHistoryScanTask(std::shared_ptr<BVFirefoxDownloadsHistoryController> controller, std::vector<std::string> bundleIDs);
protected:
    std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) override;
private:
    std::shared_ptr<BVFirefoxDownloadsHistoryController> controller_;
};

class BVFirefoxAutofillItemsScanTask : public BVPrivacyScanTask {
public:
    BVFirefoxAutofillItemsScanTask(std::shared_ptr<BVFirefoxAutofillItemsController> controller, std::vector<std::string> bundleIDs);
protected:
    std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) override;
private:
    std::shared_ptr<BVFirefoxAutofillItemsController> controller_;
};

// "logins.json" of the profile; a file that does not parse gives the task's error.
class BVFirefoxSavedPasswordsScanTask : public BVPrivacyScanTask {
public:
    BVFirefoxSavedPasswordsScanTask(std::optional<std::string> profilePath, std::shared_ptr<const BVPaths> paths,
                                    std::vector<std::string> bundleIDs);
protected:
    std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) override;
private:
    std::optional<std::string> profilePath_;
    std::shared_ptr<const BVPaths> paths_;
};

// The host a history row is grouped by: the URL's host; a file URL without one is "localhost".
std::string BVFirefoxHistoryHost(const std::string& url);
// The session files of a profile: "sessionstore.js", "sessionstore.bak",
// "sessionstore.jsonlz4" and the folder "sessionstore-backups".
std::shared_ptr<BVPrivacyFilesTask> BVFirefoxLastSessionTabsTask(const std::string& profilePath, std::vector<std::string> bundleIDs,
                                                                 BVFileManagerPtr fileManager);
