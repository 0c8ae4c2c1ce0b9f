#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"

#include <set>

BVKnowledgeBaseWrapper::BVKnowledgeBaseWrapper(BVKnowledgeBasePtr knowledgeBase, BVScannerIdentifier identifier,
                                               uint64_t defaultScope, BVNotificationCenter* notificationCenter)
    : knowledgeBase_(std::move(knowledgeBase)),
      identifier_(identifier),
      normalized_(BVScannerIdentifiers::normalize(identifier)),
      defaultScope_(defaultScope),
      notificationCenter_(notificationCenter ? notificationCenter : &BVNotificationCenter::defaultCenter()) {}

BVKnowledgeBaseWrapper::~BVKnowledgeBaseWrapper() {
    for (auto token : observers_) notificationCenter_->removeObserver(token);
}

bool BVKnowledgeBaseWrapper::isIgnoreItem(const std::string& path, uint64_t scope) {
    BVKnowledgeBase& kb = *knowledgeBase_;
    if ((scope & (BVIgnoreScopeBlack | BVIgnoreScopeBlackUser)) &&
        kb.containsItemWithFullItemValue(path, BVItemTypeBlack, {identifier_}))
        return true;
    if ((scope & BVIgnoreScopeSystemFile) && kb.isSystemFileAtPath(path)) return true;
    if ((scope & BVIgnoreScopeProtected) && kb.isProtectedItem(path, identifier_)) return true;
    if ((scope & BVIgnoreScopeGloballyExcluded) &&
        kb.containsItemWithFullItemValue(path, BVItemTypeGloballyExcluded, {BVAllScannersIdentifier}))
        return true;
    return false;
}

bool BVKnowledgeBaseWrapper::shouldSelectItem(const std::string& path) {
    if (identifier_ == 0) return false;
    // Without a readable ignore list nothing is preselected: the user may have excluded it.
    if (knowledgeBase_->userDatabaseState() == BVUserDatabaseState::Damaged) return false;
    return !knowledgeBase_->isDisabledBySelectionMemory(path, identifier_);
}

bool BVKnowledgeBaseWrapper::shouldPerformDeepSearchForItem(const std::string& path) {
    return knowledgeBase_->shouldPerformDeepSearch(path, identifier_);
}

std::vector<std::string> BVKnowledgeBaseWrapper::applicationsDependentOnFile(const std::string& path) {
    return knowledgeBase_->appBundleIDsForQuittingFile(path, identifier_);
}

std::vector<BVIgnoreItemInfoPtr> BVKnowledgeBaseWrapper::fetchIgnoreItems() {
    std::vector<BVIgnoreItemInfoPtr> items;
    std::set<std::string> seen;
    for (const BVDictionary& info : knowledgeBase_->userIgnoreItemsForScanners(normalized_)) {
        auto item = BVIgnoreItemInfo::withBaseInfo(info);
        if (item && seen.insert(item->item()).second) items.push_back(item);
    }
    return items;
}

bool BVKnowledgeBaseWrapper::createIgnoreItemWithInfo(const BVIgnoreItemInfo& info) {
    return knowledgeBase_->addItemWithItemInfo(info.makeBaseInfo(), BVItemTypeBlack, normalized_);
}

bool BVKnowledgeBaseWrapper::removeIgnoreItem(const std::string& value) {
    return knowledgeBase_->removeItemWithFullItemValue(value, BVItemTypeBlack, normalized_);
}

bool BVKnowledgeBaseWrapper::removeIgnoreItems() { return knowledgeBase_->resetUserIgnoreListForScanners(normalized_); }

void BVKnowledgeBaseWrapper::handleOnQueue(BVDispatchQueuePtr queue, UpdateBlock block) {
    {
        std::lock_guard<std::mutex> lock(updates_->lock);
        updates_->block = std::move(block);
        updates_->queue = queue ? std::move(queue) : BVDispatchQueue::main();
    }
    std::lock_guard<std::mutex> lock(lock_);
    if (!observers_.empty()) return;
    auto updates = updates_;
    BVScannerSet mine = normalized_;
    auto observer = [updates, mine](const BVNotification& notification) {
        auto found = notification.userInfo.find(BVKnowledgeBaseScanners);
        if (found == notification.userInfo.end()) return;
        BVScannerSet changed = BVScannerSetFromValue(found->second);
        bool touches = changed.count(BVAllScannersIdentifier) != 0;
        for (BVScannerIdentifier s : changed) touches = touches || mine.count(s);
        if (!touches) return;
        std::lock_guard<std::mutex> guard(updates->lock);
        if (updates->block && updates->queue) updates->queue->async(updates->block);
    };
    observers_.push_back(notificationCenter_->addObserver(BVKnowledgeBaseDidAddItemNotification, observer));
    observers_.push_back(notificationCenter_->addObserver(BVKnowledgeBaseDidRemoveItemNotification, observer));
}

namespace BVKnowledgeBaseProvider {

std::shared_ptr<BVKnowledgeBaseWrapper> baseWithIdentifier(BVScannerIdentifier identifier) {
    auto kb = BVKnowledgeBase::sharedInstance();
    kb->setSearchForBundles(false);
    kb->setUserDatabaseDisabled(false);
    return std::make_shared<BVKnowledgeBaseWrapper>(kb, identifier, defaultScopeByIdentifier(identifier));
}

std::shared_ptr<BVKnowledgeBaseWrapper> menuBaseWithIdentifier(BVScannerIdentifier identifier) {
    auto kb = BVKnowledgeBase::sharedInstance();
    kb->setSearchForBundles(true);
    kb->setUserDatabaseDisabled(true);
    return std::make_shared<BVKnowledgeBaseWrapper>(kb, identifier, defaultScopeByIdentifier(identifier));
}

}  // namespace BVKnowledgeBaseProvider
