// The Safari item-kind scans of the macos layout: browsing history by site, the download list,
// cookies by domain (from the platform cookie store, when there is one), and website local
// storage by site. Form values and the last session are files tasks (see BVSafariItemsTask).
// The metadata index has no counterpart on this host: dates come from the items themselves.
#pragma once

#include "Foundation/BVFileManager.h"
#include "Foundation/BVHTTPCookieStorage.h"
#include "PrivacyModule/Sources/BVPrivacyScanTask.h"
#include "PrivacyModule/Sources/Tools/Safari/BVSafariDataControllers.h"

inline constexpr const char* BVPrivacyModuleScanIdentifierSafari = "BVPrivacyModuleScanIdentifierSafari";
inline constexpr const char* BVPrivacyModuleScanIdentifierSafariBrowsingHistory = "BVPrivacyModuleScanIdentifierSafariBrowsingHistory";
inline constexpr const char* BVPrivacyModuleScanIdentifierSafariAutofillValues = "BVPrivacyModuleScanIdentifierSafariAutofillValues";
inline constexpr const char* BVPrivacyModuleScanIdentifierSafariLastSessionTabs = "BVPrivacyModuleScanIdentifierSafariLastSessionTabs";
inline constexpr const char* BVPrivacyModuleScanIdentifierSafariCookies = "BVPrivacyModuleScanIdentifierSafariCookies";
inline constexpr const char* BVPrivacyModuleScanIdentifierSafariDownloadsHistory = "BVPrivacyModuleScanIdentifierSafariDownloadsHistory";
inline constexpr const char* BVPrivacyModuleScanIdentifierSafariLocalStorage = "BVPrivacyModuleScanIdentifierSafariLocalStorage";
// The maker's own web domain: its cookies and local storage are never offered.
inline constexpr const char* BVPrivacyMakerWebDomain = "quillon.com";

class BVSafariBrowsingHistoryTask : public BVPrivacyScanTask {
public:
    BVSafariBrowsingHistoryTask(std::shared_ptr<BVSafariBrowsingHistoryDataController> controller, std::vector<std::string> bundleIDs);
protected:
    std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) override;
private:
    std::shared_ptr<BVSafariBrowsingHistoryDataController> controller_;
};

class BVSafariDownloadsHistoryTask : public BVPrivacyScanTask {
public:
    BVSafariDownloadsHistoryTask(std::shared_ptr<BVSafariDownloadsHistoryDataController> controller, std::shared_ptr<const BVPaths> paths,
                                 BVFileManagerPtr fileManager, std::vector<std::string> bundleIDs);
protected:
    std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) override;
private:
    std::shared_ptr<BVSafariDownloadsHistoryDataController> controller_;
    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
};

class BVSafariCookiesTask : public BVPrivacyScanTask {
public:
    BVSafariCookiesTask(BVHTTPCookieStoragePtr storage, std::vector<std::string> bundleIDs);
protected:
    std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) override;
private:
    BVHTTPCookieStoragePtr storage_;
};

class BVSafariLocalStorageTask : public BVPrivacyScanTask {
public:
    BVSafariLocalStorageTask(std::string safariFolder, BVFileManagerPtr fileManager, std::vector<std::string> bundleIDs);
protected:
    std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) override;
private:
    std::string safariFolder_;
    BVFileManagerPtr fileManager_;
};

// The site a local-storage file belongs to, from its name "scheme_host_port.localstorage"
// ("www.example.com"); a name without a scheme part gives its text before the first "_".
// None for names that are not kept: another extension, the maker's domain, "file__" origins,
// a name without "_".
std::optional<std::string> BVSafariLocalStorageSite(const std::string& relativePath);
