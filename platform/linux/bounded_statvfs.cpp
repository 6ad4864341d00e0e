#include "platform/linux/bounded_statvfs.h"

#include <limits.h>
#include <pthread.h>
#include <signal.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>

namespace platform::linux_status {
namespace {

// statvfs and the kernel's path walk need little stack; ASan's checks need
// more than the bare minimum.
constexpr std::size_t HELPER_STACK_BYTES = 256 * 1024;

struct Helper {
    enum class State { Idle, Asked, Busy, Answered };
    State state = State::Idle;
    bool started = false;
    bool abandoned = false;  // the caller stopped waiting for this call
    char path[PATH_MAX] = {};
    bool succeeded = false;
    struct statvfs answer {};
    std::condition_variable asked;
};

struct Helpers {
    std::mutex lock;
    std::condition_variable answered;
    std::array<Helper, STATVFS_HELPERS> helpers;
    std::atomic<StatvfsCall> call{&::statvfs};
};

// Never destroyed: a helper may still be held by a dead mount, waiting on
// these, when the process ends.
Helpers& Shared() {
    static Helpers* shared = new Helpers;
    return *shared;
}

void* RunHelper(void* argument) {
    Helper& helper = *static_cast<Helper*>(argument);
    Helpers& shared = Shared();
    std::unique_lock guard(shared.lock);
    for (;;) {
        helper.asked.wait(guard, [&] { return helper.state == Helper::State::Asked; });
        helper.state = Helper::State::Busy;
        char path[PATH_MAX];
        std::memcpy(path, helper.path, sizeof path);
        guard.unlock();
        struct statvfs answer {};
        const bool succeeded = shared.call.load()(path, &answer) == 0;
        guard.lock();
        if (helper.abandoned) {
            helper.abandoned = false;
            helper.state = Helper::State::Idle;
            continue;
        }
        helper.succeeded = succeeded;
        helper.answer = answer;
        helper.state = Helper::State::Answered;
        // Woken after the lock is let go, the caller takes it at once
        // instead of sleeping on it a second time.
        guard.unlock();
        shared.answered.notify_all();
        guard.lock();
    }
}

// A detached thread with a small stack, blocking every signal so that they
// reach the threads that handle them.
bool Start(Helper& helper) {
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0) return false;
    ::pthread_attr_setstacksize(&attributes, HELPER_STACK_BYTES);
    ::pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    sigset_t all;
    sigset_t previous;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    pthread_t thread;
    helper.started = ::pthread_create(&thread, &attributes, RunHelper, &helper) == 0;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::pthread_attr_destroy(&attributes);
    return helper.started;
}

// An idle helper, a started one first; null when every helper is held.
Helper* IdleHelper(Helpers& shared) {
    Helper* unstarted = nullptr;
    for (Helper& helper : shared.helpers) {
        if (helper.state != Helper::State::Idle) continue;
        if (helper.started) return &helper;
        if (unstarted == nullptr) unstarted = &helper;
    }
    return unstarted;
}

// True while an earlier call for `path` has not returned.
bool StillHeldBy(const Helpers& shared, const char* path) {
    for (const Helper& helper : shared.helpers) {
        if (helper.state != Helper::State::Idle && std::strcmp(helper.path, path) == 0) return true;
    }
    return false;
}

}  // namespace

std::optional<struct statvfs> StatvfsWithin(const char* path, std::chrono::milliseconds bound) {
    if (path == nullptr || std::strlen(path) >= PATH_MAX) return std::nullopt;
    Helpers& shared = Shared();
    std::unique_lock guard(shared.lock);
    if (StillHeldBy(shared, path)) return std::nullopt;
    Helper* helper = IdleHelper(shared);
    if (helper == nullptr || (!helper->started && !Start(*helper))) return std::nullopt;

    std::strcpy(helper->path, path);
    helper->state = Helper::State::Asked;
    // The helper wakes to a free lock, as the caller does below.
    guard.unlock();
    helper->asked.notify_one();
    guard.lock();
    if (!shared.answered.wait_for(guard, bound,
                                  [&] { return helper->state == Helper::State::Answered; })) {
        helper->abandoned = true;
        return std::nullopt;
    }
    helper->state = Helper::State::Idle;
    if (!helper->succeeded) return std::nullopt;
    return helper->answer;
}

void ReplaceStatvfsCall(StatvfsCall call) {
    Shared().call = call != nullptr ? call : &::statvfs;
}

}  // namespace platform::linux_status
