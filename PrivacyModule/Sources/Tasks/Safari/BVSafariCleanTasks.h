// The Safari clean tasks. History: the chosen sites' visits together with the redirect chains
// they belong to (the visits that led to them and those they led to) are removed in one
// transaction, with the pages left without a visit. Downloads: the download list is read, the
// entries of the chosen downloads are left out, and the list is written back whole with every
// other key kept. Every chosen entry gets the one outcome (size 0, the error when it failed).
// Dependencies and checks: BVPrivacyCleanTask.
#pragma once

#include "PrivacyModule/Sources/BVPrivacyCleanTask.h"
#include "PrivacyModule/Sources/Tasks/Safari/BVSafariModels.h"

inline constexpr const char* BVSafariBundleIdentifier = "com.apple.Safari";

class BVSafariBrowsingHistoryCleanTask : public BVPrivacyCleanTask {
public:
    BVSafariBrowsingHistoryCleanTask(const std::vector<std::shared_ptr<BVSafariBrowsingHistoryModel>>& models,
                                     std::shared_ptr<BVSafariBrowsingHistoryDataController> controller);

protected:
    BVCleanTaskResultPtr removeModels() override;

private:
    std::shared_ptr<BVSafariBrowsingHistoryDataController> controller_;
};

class BVSafariDownloadsHistoryCleanTask : public BVPrivacyCleanTask {
public:
    BVSafariDownloadsHistoryCleanTask(const std::vector<std::shared_ptr<BVSafariDownloadsHistoryModel>>& models,
                                      std::shared_ptr<BVSafariDownloadsHistoryDataController> controller);

protected:
    BVCleanTaskResultPtr removeModels() override;

private:
    std::shared_ptr<BVSafariDownloadsHistoryDataController> controller_;
};
