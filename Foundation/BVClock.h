// BVClock: what time it is, behind an interface so that tests can set it. `system()` is the
// real clock. Implementations are safe from any thread.
#pragma once

#include <memory>

#include "Foundation/BVValue.h"

class BVClock {
public:
    virtual ~BVClock() = default;
    virtual BVDate now() const = 0;
    static std::shared_ptr<const BVClock> system();
};

// A clock that says what it is told, for tests.
class BVFixedClock final : public BVClock {
public:
    explicit BVFixedClock(BVDate now) : now_(now) {}
    BVDate now() const override { return now_; }

private:
    BVDate now_;
};
