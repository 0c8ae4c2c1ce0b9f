// BVKnowledgeBaseWrapper: one scanner's handle on the knowledge base. Scan tasks see it as
// BVScanKnowledgeBase (the checks they make on paths), ignore strategies and ignore-list screens
// as BVUserKnowledgeBase (the ignore-list operations). BVKnowledgeBaseProvider makes handles.
//
// While the user's ignore list cannot be read (a damaged user database), `shouldSelectItem`
// answers false for everything: an item the user excluded could otherwise be preselected.
//
// Thread safety: every check and operation may be called from any thread. Update callbacks run
// asynchronously on the handle's update queue (the main queue unless another is given).
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "Foundation/BVDispatchQueue.h"
#include "KnowledgeBase/BVIgnoreItemInfo.h"
#include "KnowledgeBase/BVKnowledgeBase.h"

class BVScanKnowledgeBase {
public:
    virtual ~BVScanKnowledgeBase() = default;
    virtual bool isIgnoreItem(const std::string& path) = 0;
    virtual bool isIgnoreItem(const std::string& path, uint64_t scope) = 0;
    virtual bool shouldSelectItem(const std::string& path) = 0;
    virtual bool shouldPerformDeepSearchForItem(const std::string& path) = 0;
    virtual std::vector<std::string> applicationsDependentOnFile(const std::string& path) = 0;
};

class BVUserKnowledgeBase {
public:
    using UpdateBlock = std::function<void()>;
    virtual ~BVUserKnowledgeBase() = default;
    virtual std::vector<BVIgnoreItemInfoPtr> fetchIgnoreItems() = 0;
    virtual bool createIgnoreItemWithInfo(const BVIgnoreItemInfo& info) = 0;
    virtual bool removeIgnoreItem(const std::string& value) = 0;
    virtual bool removeIgnoreItems() = 0;
    virtual void handleUpdate(UpdateBlock block) = 0;
    virtual void handleOnQueue(BVDispatchQueuePtr queue, UpdateBlock block) = 0;
};

class BVKnowledgeBaseWrapper final : public BVScanKnowledgeBase, public BVUserKnowledgeBase {
public:
    BVKnowledgeBaseWrapper(BVKnowledgeBasePtr knowledgeBase, BVScannerIdentifier identifier, uint64_t defaultScope,
                           BVNotificationCenter* notificationCenter = nullptr);
    ~BVKnowledgeBaseWrapper() override;

    const BVKnowledgeBasePtr& knowledgeBase() const { return knowledgeBase_; }
    BVScannerIdentifier identifier() const { return identifier_; }
    uint64_t defaultScope() const { return defaultScope_; }

    bool isIgnoreItem(const std::string& path) override { return isIgnoreItem(path, defaultScope_); }
    bool isIgnoreItem(const std::string& path, uint64_t scope) override;
    bool shouldSelectItem(const std::string& path) override;
    bool shouldPerformDeepSearchForItem(const std::string& path) override;
    std::vector<std::string> applicationsDependentOnFile(const std::string& path) override;

    std::vector<BVIgnoreItemInfoPtr> fetchIgnoreItems() override;
    bool createIgnoreItemWithInfo(const BVIgnoreItemInfo& info) override;
    bool removeIgnoreItem(const std::string& value) override;
    bool removeIgnoreItems() override;
    void handleUpdate(UpdateBlock block) override { handleOnQueue(nullptr, std::move(block)); }
    void handleOnQueue(BVDispatchQueuePtr queue, UpdateBlock block) override;

private:
    BVKnowledgeBasePtr knowledgeBase_;
    BVScannerIdentifier identifier_;
    BVScannerSet normalized_;
    uint64_t defaultScope_;
    BVNotificationCenter* notificationCenter_;
    // Shared with the observers, which may still run once while the handle goes away.
    struct Updates {
        std::mutex lock;
        UpdateBlock block;
        BVDispatchQueuePtr queue;
    };
    std::shared_ptr<Updates> updates_ = std::make_shared<Updates>();
    std::mutex lock_;
    std::vector<BVNotificationCenter::Token> observers_;
};

// Makes handles on the shared knowledge base.
namespace BVKnowledgeBaseProvider {
std::shared_ptr<BVKnowledgeBaseWrapper> baseWithIdentifier(BVScannerIdentifier identifier);
// For the menu-bar companion: the shipped database only, no user database.
std::shared_ptr<BVKnowledgeBaseWrapper> menuBaseWithIdentifier(BVScannerIdentifier identifier);
inline uint64_t defaultScopeByIdentifier(BVScannerIdentifier identifier) {
    return BVScannerIdentifiers::defaultScopeByIdentifier(identifier);
}
}  // namespace BVKnowledgeBaseProvider
