// BVLoginItemsManager: the session's login items: what the session opens by itself at log-in.
// On the linux layout they are the freedesktop autostart entries (BVXDGAutostartManager), on
// the macos layout the user's login-item list (BVMacLoginItemsManager); tests use a recording
// fake. An item is named by its path: the entry file on linux, the application on macos.
//
// `loginItemInfos` describes every item as a dictionary: what the item opens (its program or
// application) under BVLoginItemURLKey, its name under BVLoginItemNameKey and the item's own
// path under BVLoginItemPathKey. An item whose file does not parse is not listed as valid; it
// is reported by `invalidLoginItems` instead, with the reason.
//
// Implementations are safe from any thread (changes are serialised by each implementation).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Foundation/BVError.h"
#include "Foundation/BVValue.h"

inline constexpr const char* BVLoginItemURLKey = "BVLoginItemURL";
inline constexpr const char* BVLoginItemNameKey = "BVLoginItemName";
inline constexpr const char* BVLoginItemPathKey = "BVLoginItemPath";

struct BVInvalidLoginItem {
    std::string path;
    std::string reason;
};

class BVLoginItemsManager {
public:
    virtual ~BVLoginItemsManager() = default;

    // The paths of the session's login items, in the order the session knows them.
    virtual std::vector<std::string> validLoginItemsList() = 0;
    virtual std::vector<BVInvalidLoginItem> invalidLoginItems() = 0;
    virtual std::vector<BVDictionary> loginItemInfos() = 0;
    // Whether the item at `path` is switched off (it stays listed, and can be switched on).
    virtual bool loginItemIsDisabled(const std::string& path) = 0;
    // Switches the item; false with the reason when the item was left as it was.
    virtual bool setLoginItemAtPath(const std::string& path, bool enabled, BVError* error) = 0;
    // Removes the item from what the session opens; false with the reason on failure.
    virtual bool removeLoginItemAtPath(const std::string& path, BVError* error) = 0;
    // The name a person knows the item by.
    virtual std::string displayNameAtPath(const std::string& path) = 0;
};

using BVLoginItemsManagerPtr = std::shared_ptr<BVLoginItemsManager>;

// The errors of the start-up services: an item that is not known, a change the platform cannot
// make here (no service manager runs, a desktop restriction), a tool that failed.
inline constexpr const char* BVStartupServicesErrorDomain = "BVStartupServicesErrorDomain";
enum BVStartupServicesError : int64_t {
    BVStartupServicesErrorUnknownItem = 1,
    BVStartupServicesErrorNoServiceManager = 2,
    BVStartupServicesErrorRestricted = 3,
    BVStartupServicesErrorToolFailed = 4,
    BVStartupServicesErrorNotParsed = 5,
};
BVError BVStartupServicesErrorWith(BVStartupServicesError code, const std::string& description);
