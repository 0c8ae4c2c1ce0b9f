#include "TrashAndMediaJunkModule/Trash/BVMailTrashScanTask.h"

#include "Foundation/QLFileSizer.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "ScanningService/CoreScanning/BVStoreItemModels.h"
#include "ScanningService/CoreScanning/Predicates/BVURLIterator.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashScanSwitches.h"

namespace {

std::string parentOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string extensionOf(const std::string& path) {
    std::string name = path.substr(path.rfind('/') + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot + 1);
}

std::string baseNameWithoutExtension(const std::string& path) {
    std::string name = path.substr(path.rfind('/') + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The files two levels below the message's attachments folder (PART/FILE).
void addAttachments(const std::shared_ptr<BVFileURLSequenceModel>& message, const std::string& messagePath,
                    const BVFileManager& fm, const BVProgress& progress) {
    std::string folder = parentOf(parentOf(messagePath)) + "/Attachments/" + baseNameWithoutExtension(messagePath);
    if (!fm.isDirectoryAtPath(folder)) return;
    for (const auto& part : fm.contentsOfDirectoryAtURL(folder, nullptr, BVDirectoryEnumerationNone)) {
        if (progress.isCancelled()) return;
        if (!fm.isDirectoryAtPath(part)) continue;
        for (const auto& file : fm.contentsOfDirectoryAtURL(part, nullptr, BVDirectoryEnumerationNone)) {
            if (progress.isCancelled()) return;
            message->addChild(BVFileModel::modelWithPath(file, QLFileSizer::itemSizeAtURL(file), true));
        }
    }
}

}  // namespace

BVMailTrashScanTask::BVMailTrashScanTask(BVMailBoxPtr mailbox, BVFileManagerPtr fileManager)
    : mailbox_(std::move(mailbox)), fileManager_(fileManager ? std::move(fileManager) : BVFileManager::defaultManager()) {}

BVScanResultPtr BVMailTrashScanTask::scan() {
    if (auto early = BVTrashScanSwitches::earlyResult(identifier(), *progress_)) return early;
    if (!mailbox_ || !mailbox_->isEnabled()) return BVScanResult::emptyResultWithIdentifier(identifier());
    auto model = std::make_shared<BVMailboxModel>(mailbox_);
    progress_->setPath(mailbox_->name());
    std::vector<BVURLPtr> messages;
    for (const auto& path : mailbox_->trashes()) messages.push_back(BVURL::fileURLWithPath(path));
    BVURLIterator iterator(progress_, [this](const BVURLPtr& url) {
        std::string extension = extensionOf(url->path());
        return (extension == "emlx" || extension == "emlxpart") && !fileManager_->isDirectoryAtPath(url->path()) &&
               fileManager_->fileExistsAtPath(url->path());
    });
    iterator.enumerate(messages, [&](const BVURLPtr& url, uint64_t size) {
        auto message = std::make_shared<BVFileURLSequenceModel>(url, size, true);
        message->setShouldRemoveSelf(true);
        addAttachments(message, url->path(), *fileManager_, *progress_);
        model->addChild(message);
    });
    return BVScanResult::resultWithIdentifier(identifier(), std::vector<BVEntityPtr>{model});
}

BVMailTrashScanTasksFactory::BVMailTrashScanTasksFactory(std::shared_ptr<BVMailInfo> mailInfo)
    : mailInfo_(mailInfo ? std::move(mailInfo) : BVMailInfo::sharedMailInfo()) {}

bool BVMailTrashScanTasksFactory::isEligibleMailbox(const BVMailBox& m) {
    std::string type = m.accountType();
    return (type == "IMAPAccount" || type == "AosImapAccount") && m.trashMailBoxURL() && !m.trashMailBoxURL()->empty() &&
           m.isEnabled();
}

std::vector<BVScanTaskPtr> BVMailTrashScanTasksFactory::tasks() const {
    std::vector<BVScanTaskPtr> tasks;
    for (const auto& m : mailInfo_->mailboxes())
        if (m && isEligibleMailbox(*m)) tasks.push_back(std::make_shared<BVMailTrashScanTask>(m));
    return tasks;
}
