// The mail application's local copies of attachments: one entity per mailbox, in which the
// copies of one attachment (the same file name and size) form one group, and one entity for
// the attachments the user opened ("Mail Downloads"). A mailbox goes on the ignore list by its
// unique identifier, a group by "NAME-SIZE", a file by its path. A download is preselected only
// when it never changed after it was saved. `scan` runs on one scan-queue thread.
#pragma once

#include <regex>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVMailBox.h"
#include "Foundation/BVPaths.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "ScanningService/CoreScanning/BVScanResult.h"
#include "ScanningService/CoreScanning/BVScanTask.h"
#include "ScanningService/CoreScanning/BVStoreItemModels.h"

inline constexpr const char* BVMailModuleScanIdentifierMail = "BVMailModuleScanIdentifierMail";

class BVMailTask final : public BVScanTask, public BVProgressReporting {
public:
    BVMailTask(BVFileManagerPtr fileManager, std::shared_ptr<BVKnowledgeBaseWrapper> knowledgeBase,
               std::shared_ptr<BVMailInfo> mailInfo, std::shared_ptr<const BVPaths> paths);
    std::string identifier() const override { return BVMailModuleScanIdentifierMail; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

    std::vector<std::shared_ptr<BVMailboxModel>> attachmentsMailboxModels();
    std::shared_ptr<BVMailboxModel> downloadsMailboxModel();

private:
    const std::vector<std::string>& downloads();  // listed once

    BVFileManagerPtr fileManager_;
    std::shared_ptr<BVKnowledgeBaseWrapper> knowledgeBase_;
    std::shared_ptr<BVMailInfo> mailInfo_;
    std::shared_ptr<const BVPaths> paths_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
    std::regex uuidRegex_{"^\\w{8}(-\\w{4}){3}-\\w{12}$"};
    std::optional<std::vector<std::string>> downloads_;
};
