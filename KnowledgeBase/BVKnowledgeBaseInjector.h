// BVKnowledgeBaseInjector: what the knowledge base is given from outside for its leftover
// queries: the system-information lists (local and user preference files, system receipts)
// that the uninstaller sets before it asks for an application's leftovers. One process-wide
// injector (`injector()`); its accessors are safe from any thread.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class BVKnowledgeBaseSystemInfo {
public:
    virtual ~BVKnowledgeBaseSystemInfo() = default;
    // Full paths of the files each list holds.
    virtual std::vector<std::string> localPreferenceFiles() const = 0;
    virtual std::vector<std::string> userPreferenceFiles() const = 0;
    virtual std::vector<std::string> systemReceipts() const = 0;
};

class BVKnowledgeBaseInjector {
public:
    static BVKnowledgeBaseInjector& injector();
    std::shared_ptr<const BVKnowledgeBaseSystemInfo> systemInfo() const;
    void setSystemInfo(std::shared_ptr<const BVKnowledgeBaseSystemInfo> systemInfo);

private:
    mutable std::mutex lock_;
    std::shared_ptr<const BVKnowledgeBaseSystemInfo> systemInfo_;
};
