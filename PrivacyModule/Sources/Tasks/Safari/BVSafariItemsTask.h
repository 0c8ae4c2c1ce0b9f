// BVSafariItemsTask: the Safari scan of the macos layout: browsing history, form values,
// last-session tabs, cookies, downloads and local storage, in that order. Without the Safari
// folder every kind is an empty group; without a platform cookie store (this host has none)
// the cookies are an empty group.
#pragma once

#include "Foundation/BVHTTPCookieStorage.h"
#include "PrivacyModule/Sources/BVPrivacyCompoundScanTask.h"
#include "PrivacyModule/Sources/Tools/Database/BVPrivacyDatabaseControllerFactory.h"

class BVSafariItemsTask : public BVPrivacyCompoundScanTask {
public:
    BVSafariItemsTask(const BVPrivacyDatabaseControllerFactory& factory, BVHTTPCookieStoragePtr cookies);

private:
    struct Members {
        std::vector<BVScanTaskPtr> tasks;
        std::vector<std::shared_ptr<BVPrivacyGroupModel>> emptyGroups;
    };
    static Members members(const BVPrivacyDatabaseControllerFactory& factory, const BVHTTPCookieStoragePtr& cookies);
    explicit BVSafariItemsTask(Members members);
};
