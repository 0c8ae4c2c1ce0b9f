// Lock annotations for clang's thread-safety analysis (-Wthread-safety), and a mutex that
// carries them. With other compilers the annotations are empty and BVMutex is std::mutex with
// two more names. Members a mutex protects say so with BV_GUARDED_BY, functions that must be
// called with it held with BV_REQUIRES; the analysis then checks every access at compile time.
#pragma once

#include <mutex>

#if defined(__clang__)
#define BV_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define BV_THREAD_ANNOTATION(x)
#endif

#define BV_CAPABILITY(name) BV_THREAD_ANNOTATION(capability(name))
#define BV_SCOPED_CAPABILITY BV_THREAD_ANNOTATION(scoped_lockable)
#define BV_GUARDED_BY(m) BV_THREAD_ANNOTATION(guarded_by(m))
#define BV_PT_GUARDED_BY(m) BV_THREAD_ANNOTATION(pt_guarded_by(m))
#define BV_REQUIRES(...) BV_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define BV_EXCLUDES(...) BV_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define BV_ACQUIRE(...) BV_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define BV_RELEASE(...) BV_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define BV_NO_THREAD_SAFETY_ANALYSIS BV_THREAD_ANNOTATION(no_thread_safety_analysis)

class BV_CAPABILITY("mutex") BVMutex {
public:
    void lock() BV_ACQUIRE() { mutex_.lock(); }
    void unlock() BV_RELEASE() { mutex_.unlock(); }
    // For a condition variable, which needs the standard mutex itself.
    std::mutex& native() { return mutex_; }

private:
    std::mutex mutex_;
};

class BV_SCOPED_CAPABILITY BVLockGuard {
public:
    explicit BVLockGuard(BVMutex& mutex) BV_ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~BVLockGuard() BV_RELEASE() { mutex_.unlock(); }
    BVLockGuard(const BVLockGuard&) = delete;
    BVLockGuard& operator=(const BVLockGuard&) = delete;

private:
    BVMutex& mutex_;
};
