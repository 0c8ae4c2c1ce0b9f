#include "Foundation/BVClock.h"

namespace {
class SystemClock final : public BVClock {
public:
    BVDate now() const override { return BVDate::now(); }
};
}  // namespace

std::shared_ptr<const BVClock> BVClock::system() {
    static auto clock = std::make_shared<const SystemClock>();
    return clock;
}
