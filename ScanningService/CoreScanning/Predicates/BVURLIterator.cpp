#include "ScanningService/CoreScanning/Predicates/BVURLIterator.h"

#include "Foundation/QLFileSizer.h"

void BVURLIterator::enumerate(const std::vector<BVURLPtr>& urls, const Handler& handler) {
    progress_->addPendingUnitsCount(urls.size());
    for (const auto& url : urls) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) return;
        progress_->addUnitsCount(1);
        if (!url || (filter_ && !filter_(url))) continue;
        uint64_t size = QLFileSizer::itemSizeAtURL(url->path());
        progress_->addSize(size);
        progress_->setPath(url->path());
        handler(url, size);
    }
}
