// BVPrivilegedReplyWaiter: blocks a worker thread until an agent request's reply arrives or
// "PrivilegedAgentHasInterrupted" is posted about the request's own connection, whichever comes
// first; in the second case the answer is `failure`. Another connection's failure does not end
// the wait. Never call it on the main thread. Safe from any thread.
//
//   auto proxy = performer->remoteObjectProxy();
//   bool ok = BVPrivilegedReplyWaiter::wait<bool>(BVPrivilegedReplyWaiter::connectionOf(proxy), false,
//       [&](auto done) { proxy->removeItemAtPath(path, [done](bool ok, BVOptionalError) { done(ok); }); });
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "Foundation/BVNotificationCenter.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperation.h"

namespace BVPrivilegedReplyWaiter {

inline constexpr const char* kInterruptedNotification = "PrivilegedAgentHasInterrupted";
inline constexpr const char* kConnectionKey = "BVAgentConnectionIdentifier";

// The identifier of the connection behind a proxy made by the performer.
uint64_t connectionOf(const BVPrivilegedOperationPtr& proxy);

template <class T>
T wait(uint64_t connection, T failure, const std::function<void(std::function<void(T)>)>& send) {
    struct State {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<T> value;
        bool interrupted = false;
    };
    auto state = std::make_shared<State>();
    auto& center = BVNotificationCenter::defaultCenter();
    auto token = center.addObserver(kInterruptedNotification, [state, connection](const BVNotification& n) {
        auto it = n.userInfo.find(kConnectionKey);
        if (it == n.userInfo.end() || it->second.uint64Value() != connection) return;
        std::lock_guard lock(state->mutex);
        state->interrupted = true;
        state->done.notify_all();
    });
    send([state](T value) {
        std::lock_guard lock(state->mutex);
        if (!state->value) state->value = std::move(value);
        state->done.notify_all();
    });
    T result = failure;
    {
        std::unique_lock lock(state->mutex);
        state->done.wait(lock, [&] { return state->value.has_value() || state->interrupted; });
        if (state->value) result = *state->value;
    }
    center.removeObserver(token);
    return result;
}

}  // namespace BVPrivilegedReplyWaiter
