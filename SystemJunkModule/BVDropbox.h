// BVDropbox: the cloud-storage client's account description file ("~/.dropbox/info.json" on
// both layouts) and the accounts it lists; each linked account keeps a ".dropbox.cache"
// folder inside its synchronised folder. BVDropboxAccount is one such account. Values; safe
// to share once built.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVPaths.h"
#include "Foundation/BVValue.h"

inline constexpr int64_t BVDropboxNotFound = 0x7FFFFFFFFFFFFFFF;

class BVDropboxAccount {
public:
    enum Type : int64_t { Personal = 0, Business = 1 };
    BVDropboxAccount(std::string folder, int64_t userHost, int64_t type)
        : folder_(std::move(folder)), userHost_(userHost), type_(type) {}
    // From one member of the info file: none when its "path" is not an absolute path.
    static std::optional<BVDropboxAccount> withDictionary(const BVDictionary& dictionary, const std::string& typeString);
    // "~/Dropbox", with an unknown host and type.
    static BVDropboxAccount defaultAccount(const std::string& home);

    const std::string& folder() const { return folder_; }
    int64_t userHost() const { return userHost_; }
    int64_t type() const { return type_; }
    bool operator==(const BVDropboxAccount& other) const {
        return type_ == other.type_ && folder_ == other.folder_ && userHost_ == other.userHost_;
    }
    size_t hash() const { return size_t(userHost_) ^ size_t(type_) ^ std::hash<std::string>{}(folder_); }

private:
    std::string folder_;
    int64_t userHost_;
    int64_t type_;
};

class BVDropbox {
public:
    BVDropbox(std::string infoFile, std::string home) : url_(std::move(infoFile)), home_(std::move(home)) {}
    // For the home of the shared paths.
    static std::shared_ptr<BVDropbox> dropbox(const BVPaths& paths);

    const std::string& url() const { return url_; }
    const std::string& home() const { return home_; }
    std::string bundleIdentifier() const { return "com.getdropbox.dropbox"; }
    std::string cacheFolderName() const { return ".dropbox.cache"; }

    // The accounts the info file lists; none (logged at debug level) when it is missing,
    // unreadable or not JSON.
    std::vector<BVDropboxAccount> fetchAccounts() const;

private:
    std::string url_;
    std::string home_;
};
