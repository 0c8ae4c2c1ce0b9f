// BVMailTrashScanTask: the trash mailbox of one mail account. The result is a mailbox entity
// holding one entity per message file (".emlx" or ".emlxpart"), each removing itself together
// with its downloaded attachments ("../../Attachments/ID/PART/FILE" beside the message, ID
// being the message file's name without its extension), which are its children.
// BVMailTrashScanTasksFactory makes one task per enabled IMAP account that has a trash
// mailbox. `scan` runs on one scan-queue thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVMailBox.h"
#include "ScanningService/CoreScanning/BVScanResult.h"

inline constexpr const char* BVTrashBinScanIdentifierMail = "BVTrashBinScanIdentifierMail";

class BVMailTrashScanTask : public BVScanTask, public BVProgressReporting {
public:
    explicit BVMailTrashScanTask(BVMailBoxPtr mailbox, BVFileManagerPtr fileManager = nullptr);

    const BVMailBoxPtr& mailbox() const { return mailbox_; }
    std::string identifier() const override { return BVTrashBinScanIdentifierMail; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

private:
    BVMailBoxPtr mailbox_;
    BVFileManagerPtr fileManager_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};

class BVMailTrashScanTasksFactory {
public:
    explicit BVMailTrashScanTasksFactory(std::shared_ptr<BVMailInfo> mailInfo = nullptr);  // default: shared
    static bool isEligibleMailbox(const BVMailBox& mailbox);
    std::vector<BVScanTaskPtr> tasks() const;

private:
    std::shared_ptr<BVMailInfo> mailInfo_;
};
