#include "PrivacyModule/Sources/BVPrivacyCompoundScanTask.h"

#include <algorithm>

#include "ScanningService/CoreScanning/BVDebugSwitches.h"

BVPrivacyCompoundScanTask::BVPrivacyCompoundScanTask(std::string identifier, std::vector<BVScanTaskPtr> tasks,
                                                     std::vector<std::string> bundleIDs,
                                                     std::vector<std::shared_ptr<BVPrivacyGroupModel>> emptyPrivacyGroups)
    : BVCompoundScanTask(std::move(identifier), std::move(tasks)),
      bundleIDs_(std::move(bundleIDs)),
      emptyPrivacyGroups_(std::move(emptyPrivacyGroups)) {}

BVScanResultPtr BVPrivacyCompoundScanTask::scan() {
    if (BVDebugSwitches::isOn(BVDebugModeFakeScanningEmptyResults)) return BVScanResult::emptyResultWithIdentifier(identifier());
    auto compound = std::dynamic_pointer_cast<BVCompoundProgress>(progress());
    for (const auto& t : tasks()) compound->attachProgress(std::dynamic_pointer_cast<BVProgressReporting>(t)->progress());
    if (progress()->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier());
    std::vector<BVEntityPtr> items;
    std::vector<BVError> errors;
    for (const auto& t : tasks()) {
        progress()->sleepThreadWhilePaused();
        if (progress()->isCancelled()) break;
        auto result = t->scan();
        if (!result) continue;
        if (auto found = result->items()) items.insert(items.end(), found->begin(), found->end());
        if (result->error()) {
            errors.push_back(*result->error());
            items.push_back(std::make_shared<BVPrivacyGroupModel>(t->identifier()));
        }
    }
    if (!bundleIDs_.empty())
        for (const auto& item : items)
            if (auto tree = std::dynamic_pointer_cast<BVTreeEntity>(item); tree && !tree->children().empty())
                tree->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcher::fetcherWithBundleIDs(bundleIDs_));
    items.insert(items.end(), emptyPrivacyGroups_.begin(), emptyPrivacyGroups_.end());
    std::optional<BVError> error;
    if (!errors.empty()) {
        std::string text;
        // Kinds that share a store (history and downloads) report its lock once.
        std::vector<std::string> seen;
        for (const auto& e : errors) {
            std::string line = e.localizedDescription();
            if (std::find(seen.begin(), seen.end(), line) != seen.end()) continue;
            seen.push_back(line);
            text += (text.empty() ? "" : "\n") + line;
        }
        error = BVError::withDescription(errors.front().domain(), errors.front().code(), text);
    }
    return std::make_shared<BVScanResult>(identifier(), items, error);
}
