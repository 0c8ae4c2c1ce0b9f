// Delivers one of a queue object's handlers on the main queue: only when the handler is set
// both now and at delivery (it is read again then, under the owner's lock), and only while the
// owner is still alive (it is held weakly). Shared by the scan and clean queues.
#pragma once

#include <memory>
#include <mutex>

#include "Foundation/BVDispatchQueue.h"
#include "Foundation/BVThreadSafety.h"

// The handlers are read under the owner's lock; the analysis cannot follow a member pointer.
template <class Owner, class Lock, class H, class... Args>
void BVNotifyOnMainQueue(Owner& owner, Lock Owner::*lock, H Owner::*member, Args... args) BV_NO_THREAD_SAFETY_ANALYSIS {
    {
        std::lock_guard guard(owner.*lock);
        if (!(owner.*member)) return;
    }
    std::weak_ptr<Owner> weak = owner.weak_from_this();
    BVDispatchQueue::main()->async([weak, lock, member, args...]() BV_NO_THREAD_SAFETY_ANALYSIS {
        auto self = weak.lock();
        if (!self) return;
        H handler;
        // (read under the owner's lock, as above)
        {
            std::lock_guard guard((*self).*lock);
            handler = (*self).*member;
        }
        if (handler) handler(*self, args...);
    });
}
