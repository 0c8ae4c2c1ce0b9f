#include "App/BVInterruption.h"

#include <signal.h>
#include <unistd.h>

namespace {

sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

[[noreturn]] void endNow() {
    // The progress line, if one is drawn, is ended so the shell's prompt starts on a line of its own.
    if (::isatty(STDERR_FILENO) == 1) (void)!::write(STDERR_FILENO, "\n", 1);
    ::_exit(130);
}

}  // namespace

BVInterruption::BVInterruption() {
    sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    thread_ = std::thread([this] { wait(); });
}

BVInterruption::~BVInterruption() {
    stopping_.store(true);
    pthread_kill(thread_.native_handle(), SIGTERM);
    thread_.join();
}

void BVInterruption::wait() {
    sigset_t set = stopSignals();
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) continue;
        if (stopping_.load()) return;
        if (signals_.fetch_add(1) > 0) endNow();
        std::function<void()> handler;
        {
            BVLockGuard lock(mutex_);
            handler = handler_;
        }
        if (!handler) endNow();
        handler();
    }
}

void BVInterruption::setHandler(std::function<void()> handler) {
    BVLockGuard lock(mutex_);
    handler_ = std::move(handler);
}

BVInterruption::Scope::Scope(BVInterruption* interruption, std::function<void()> handler) : interruption_(interruption) {
    if (interruption_) interruption_->setHandler(std::move(handler));
}

BVInterruption::Scope::~Scope() {
    if (interruption_) interruption_->setHandler(nullptr);
}
