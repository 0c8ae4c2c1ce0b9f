// BVURLIterator: walks a list of URLs with progress, pause and cancellation, measuring each
// kept item (allocated bytes, the item and all it contains) and handing it to a handler on the
// calling thread. One walk per iterator, on one thread.
#pragma once

#include <functional>
#include <vector>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVObject.h"

class BVURLIterator {
public:
    using Filter = std::function<bool(const BVURLPtr&)>;  // true keeps the URL
    using Handler = std::function<void(const BVURLPtr&, uint64_t size)>;

    explicit BVURLIterator(std::shared_ptr<BVComputableProgress> progress, Filter filter = {})
        : progress_(std::move(progress)), filter_(std::move(filter)) {}
    void enumerate(const std::vector<BVURLPtr>& urls, const Handler& withHandler);

private:
    std::shared_ptr<BVComputableProgress> progress_;
    Filter filter_;
};
