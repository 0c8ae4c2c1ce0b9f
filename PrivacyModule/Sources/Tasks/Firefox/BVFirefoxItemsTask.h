// BVFirefoxItemsTask: the Firefox scan of the profile in use: cookies, browsing history,
// downloads, form values, last-session tabs and saved logins, in that order. A kind whose store
// cannot be reached (no profile) is an empty group of that kind. Decided when the task is made.
#pragma once

#include "PrivacyModule/Sources/BVPrivacyCompoundScanTask.h"
#include "PrivacyModule/Sources/Tools/Database/BVPrivacyDatabaseControllerFactory.h"

class BVFirefoxItemsTask : public BVPrivacyCompoundScanTask {
public:
    explicit BVFirefoxItemsTask(const BVPrivacyDatabaseControllerFactory& factory);

private:
    struct Members {
        std::vector<BVScanTaskPtr> tasks;
        std::vector<std::shared_ptr<BVPrivacyGroupModel>> emptyGroups;
    };
    static Members members(const BVPrivacyDatabaseControllerFactory& factory);
    explicit BVFirefoxItemsTask(Members members);
};
