#include "SystemJunkModule/BVDropbox.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVJSONCodec.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPaths.h"

namespace {
// The info file lists a handful of accounts; anything larger is not one.
constexpr size_t kMaximumInfoFileBytes = 1 << 20;
}

std::optional<BVDropboxAccount> BVDropboxAccount::withDictionary(const BVDictionary& dictionary, const std::string& typeString) {
    auto path = dictionary.find("path");
    if (path == dictionary.end() || !path->second.isString()) return std::nullopt;
    // The folder comes from another program's file and its cache is offered for removal: a
    // relative path would be taken against whatever folder this process runs in.
    if (path->second.stringValue().empty() || path->second.stringValue().front() != '/') return std::nullopt;
    auto host = dictionary.find("host");
    int64_t userHost = host != dictionary.end() && host->second.isNumber() ? host->second.int64Value() : 0;
    int64_t type = typeString == "personal" ? Personal : typeString == "business" ? Business : BVDropboxNotFound;
    std::string folder = path->second.stringValue();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return BVDropboxAccount(folder, userHost, type);
}

BVDropboxAccount BVDropboxAccount::defaultAccount(const std::string& home) {
    return BVDropboxAccount(home + "/Dropbox", BVDropboxNotFound, BVDropboxNotFound);
}

std::shared_ptr<BVDropbox> BVDropbox::dropbox(const BVPaths& paths) {
    return std::make_shared<BVDropbox>(paths.home() + "/.dropbox/info.json", paths.home());
}

std::vector<BVDropboxAccount> BVDropbox::fetchAccounts() const {
    if (access(url_.c_str(), F_OK) != 0) {
        BVLogger::debug("Dropbox info.json is unreachable - " + std::string(strerror(errno)));
        return {};
    }
    std::string text, reason;
    if (!BVFileIO::readFile(url_, text, kMaximumInfoFileBytes, &reason)) {
        BVLogger::debug("Cannot obtain info.json data from disk - " + url_);
        return {};
    }
    std::string error;
    auto document = BVJSONCodec::decode(text, &error);
    if (!document) {
        BVLogger::debug("Cannot parse dropbox info.json - " + error);
        return {};
    }
    std::vector<BVDropboxAccount> accounts;
    for (const auto& [type, value] : document->dictionaryValue()) {
        if (!value.isDictionary()) continue;
        if (auto account = BVDropboxAccount::withDictionary(value.dictionaryValue(), type)) accounts.push_back(*account);
    }
    return accounts;
}
