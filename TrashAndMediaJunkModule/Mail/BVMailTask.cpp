#include "TrashAndMediaJunkModule/Mail/BVMailTask.h"

#include <map>

#include "Foundation/BVFileIO.h"
#include "ScanningService/CoreScanning/BVBaseIgnoreStrategy.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashScanSwitches.h"

BVMailTask::BVMailTask(BVFileManagerPtr fileManager, std::shared_ptr<BVKnowledgeBaseWrapper> knowledgeBase,
                       std::shared_ptr<BVMailInfo> mailInfo, std::shared_ptr<const BVPaths> paths)
    : fileManager_(std::move(fileManager)), knowledgeBase_(std::move(knowledgeBase)),
      mailInfo_(mailInfo ? std::move(mailInfo) : BVMailInfo::sharedMailInfo()), paths_(std::move(paths)) {}

const std::vector<std::string>& BVMailTask::downloads() {
    if (downloads_) return *downloads_;
    downloads_.emplace();
    for (const auto& folder : {mailInfo_->downloadsURL(*paths_), mailInfo_->sandboxedDownloadsURL(*paths_)}) {
        if (!folder) continue;
        auto entries = fileManager_->contentsOfDirectoryAtURL(*folder, progress_, BVDirectoryEnumerationNone);
        downloads_->insert(downloads_->end(), entries.begin(), entries.end());
    }
    return *downloads_;
}

BVScanResultPtr BVMailTask::scan() {
    if (auto early = BVTrashScanSwitches::earlyResult(identifier(), *progress_, "BVMailTask")) return early;
    progress_->addPendingUnitsCount(downloads().size() + mailInfo_->attachmentsCount());
    std::vector<BVEntityPtr> items;
    for (const auto& mailbox : attachmentsMailboxModels())
        if (mailbox->size() != 0) items.push_back(mailbox);
    if (auto model = downloadsMailboxModel(); model->size() != 0) items.push_back(model);
    return BVScanResult::resultWithIdentifier(identifier(), items);
}

std::vector<std::shared_ptr<BVMailboxModel>> BVMailTask::attachmentsMailboxModels() {
    std::vector<std::shared_ptr<BVMailboxModel>> models;
    for (const auto& mailbox : mailInfo_->mailboxes()) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        if (!mailbox->isAvailableForClean() || knowledgeBase_->isIgnoreItem(mailbox->uniqueID())) continue;
        auto model = std::make_shared<BVMailboxModel>(mailbox);
        BVBaseIgnoreStrategy::attach(model, knowledgeBase_, mailbox->uniqueID());
        std::map<std::string, std::shared_ptr<BVFileURLSequenceModel>> groups;
        mailbox->enumerateAttachments([&](const std::string& path) {
            progress_->sleepThreadWhilePaused();
            if (progress_->isCancelled()) return false;
            progress_->addUnitsCount(1);
            progress_->setPath(path);
            if (knowledgeBase_->isIgnoreItem(path)) return true;
            uint64_t size = fileManager_->itemSizeAtPath(path, 1);
            std::string key = BVFileIO::lastPathComponent(path) + "-" + std::to_string(size);
            if (knowledgeBase_->isIgnoreItem(key)) return true;
            progress_->addSize(size);
            bool selected = knowledgeBase_->shouldSelectItem(key);
            auto& group = groups[key];
            if (!group) {
                group = std::make_shared<BVFileURLSequenceModel>(BVURL::fileURLWithPath(path), selected);
                BVBaseIgnoreStrategy::attach(group, knowledgeBase_, key);
                model->addChild(group);
            }
            auto file = BVFileModel::modelWithPath(path, size, selected);
            BVBaseIgnoreStrategy::attach(file, knowledgeBase_, path);
            group->addChild(file);
            return true;
        });
        models.push_back(model);
    }
    return models;
}

std::shared_ptr<BVMailboxModel> BVMailTask::downloadsMailboxModel() {
    auto unknown = BVMailBox::unknownMailbox();
    auto model = std::make_shared<BVMailboxModel>(unknown);
    BVBaseIgnoreStrategy::attach(model, knowledgeBase_, unknown->uniqueID());
    if (knowledgeBase_->isIgnoreItem(unknown->uniqueID())) return model;
    for (const auto& entry : downloads()) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        uint64_t size = fileManager_->itemSizeAtPath(entry, 1);
        progress_->addUnitsCount(1);
        progress_->addSize(size);
        progress_->setPath(entry);
        std::string name = BVFileIO::lastPathComponent(entry);
        if (name == ".DS_Store") continue;
        // A download kept in a folder named by a UUID is shown by the file inside it.
        std::string representative = entry;
        if (fileManager_->isDirectoryAtPath(entry) && std::regex_match(name, uuidRegex_)) {
            auto inside = fileManager_->contentsOfDirectoryAtURL(entry, nullptr, BVDirectoryEnumerationNone);
            if (!inside.empty()) representative = inside.back();
        }
        // Never changed after it was saved: made and last written in the same second (saving
        // takes a moment; an edit comes later). A file system that records no creation time
        // cannot tell, and the download is offered unticked.
        auto identity = fileManager_->identityAtPath(entry, nullptr);
        bool unchanged = identity && identity->birthSeconds != 0 && identity->birthSeconds == identity->modificationSeconds;
        bool selected = unchanged && knowledgeBase_->shouldSelectItem(representative);
        auto sequence = std::make_shared<BVFileURLSequenceModel>(BVURL::fileURLWithPath(representative), selected);
        BVBaseIgnoreStrategy::attach(sequence, knowledgeBase_, representative);
        auto file = BVFileModel::modelWithPath(entry, size, selected);
        BVBaseIgnoreStrategy::attach(file, knowledgeBase_, entry);
        sequence->addChild(file);
        model->addChild(sequence);
    }
    return model;
}
