#include "SystemJunkModule/BVCachesContext.h"

#include "Foundation/BVFileIO.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "SystemJunkModule/BVSpecialAppsProvider.h"

namespace {

std::string entityPath(const BVEntityPtr& entity) {
    if (auto representable = std::dynamic_pointer_cast<BVURLRepresentableModel>(entity))
        if (auto url = representable->fileURL()) return url->path();
    return {};
}

}  // namespace

BVCachesContext::BVCachesContext(BVJunkKnowledgeBasePtr knowledgeBase, std::optional<std::string> sandboxContainerPath)
    : sandboxContainerPath_(std::move(sandboxContainerPath)), knowledgeBase_(std::move(knowledgeBase)) {}

std::optional<std::string> BVCachesContext::groupIdentifier(const std::string& path) const {
    if (path.empty()) return std::nullopt;
    if (sandboxContainerPath_ && !sandboxContainerPath_->empty()) {
        std::string prefix = *sandboxContainerPath_;
        if (prefix.back() != '/') prefix += '/';
        if (path.compare(0, prefix.size(), prefix) == 0) {
            std::string rest = path.substr(prefix.size());
            auto slash = rest.find('/');
            std::string container = rest.substr(0, slash);
            if (container.empty()) return std::nullopt;
            return container;
        }
        if (path == *sandboxContainerPath_) return std::nullopt;
    }
    return BVFileIO::lastPathComponent(path);
}

void BVCachesContext::addItem(const BVEntityPtr& item) {
    // A task that knows the applications hands its items already grouped.
    if (auto grouped = std::dynamic_pointer_cast<BVCacheGroupModel>(item)) {
        for (const auto& child : grouped->children()) addItem(child, grouped->identifier());
        return;
    }
    // A cache kept outside the caches folders is shown under its application's name.
    if (auto special = std::dynamic_pointer_cast<BVSpecialApplicationCacheModel>(item)) {
        addItem(item, special->cacheInfo()->applicationName());
        return;
    }
    auto identifier = groupIdentifier(entityPath(item));
    if (identifier) addItem(item, *identifier);
}

void BVCachesContext::addItem(const BVEntityPtr& item, const std::string& groupIdentifier) {
    if (knowledgeBase_->isIgnoreItem(groupIdentifier)) return;
    std::shared_ptr<BVCacheGroupModel> group;
    for (const auto& candidate : groups_)
        if (candidate->identifier() == groupIdentifier) group = candidate;
    bool created = !group;
    if (created) {
        group = std::make_shared<BVCacheGroupModel>(groupIdentifier);
        BVSystemJunk::attachIgnoreStrategy(group, knowledgeBase_, groupIdentifier);
    }
    if (auto sequence = std::dynamic_pointer_cast<BVFileURLSequenceModel>(item)) {
        for (const auto& file : sequence->files()) addChild(group, file);
    } else {
        addChild(group, item);
    }
    if (created && !group->children().empty()) groups_.push_back(group);
}

void BVCachesContext::addChild(const std::shared_ptr<BVCacheGroupModel>& group, const BVEntityPtr& child) {
    std::string path = entityPath(child);
    if (!path.empty()) {
        if (isHeld(path)) return;
        heldPaths_.insert(path);
    }
    group->addChild(child);
}

bool BVCachesContext::isHeld(const std::string& path) const {
    // The held path equal to `path` or the nearest one sorting before it that is its ancestor.
    std::string probe = path;
    while (!probe.empty()) {
        if (heldPaths_.count(probe)) return true;
        auto slash = probe.find_last_of('/');
        if (slash == std::string::npos || slash == 0) break;
        probe.resize(slash);
    }
    return false;
}
