#include "platform/linux/bounded_statvfs.h"

#include <limits.h>
#include <linux/close_range.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace platform::linux_status {
namespace {

// statvfs and the kernel's path walk need little stack; ASan's checks need
// more than the bare minimum.
constexpr std::size_t HELPER_STACK_BYTES = 256 * 1024;

struct Outcome {
    bool succeeded = false;
    struct statvfs answer {};
};

// A helper measures the paths it was given in order. It is busy from when
// it is given them until its caller lets it go, or, once abandoned, until
// the call in progress returns.
struct Helper {
    bool busy = false;
    bool started = false;
    bool abandoned = false;          // the caller stopped waiting: the rest is dropped
    bool outlived = false;           // the call in progress outlived its bound
    std::vector<std::string> paths;  // storage kept from round to round
    std::size_t count = 0;           // the first `count` of `paths` are asked
    std::array<Outcome, STATVFS_AHEAD> outcomes;
    std::size_t answered = 0;  // outcomes given so far, in order
    std::condition_variable asked;
};

// The round measured ahead: which helper, when, and which answers were given.
struct AheadRound {
    Helper* helper = nullptr;
    std::chrono::steady_clock::time_point started;
    std::array<bool, STATVFS_AHEAD> taken{};
};

struct Helpers {
    std::mutex lock;
    std::condition_variable answered;
    std::array<Helper, STATVFS_HELPERS> helpers;
    AheadRound ahead;
    std::atomic<StatvfsCall> call{&::statvfs};
};

// Never destroyed: a helper may still be held by a dead mount, waiting on
// these, when the process ends.
Helpers& Shared() {
    static Helpers* shared = new Helpers;
    return *shared;
}

bool HasWork(const Helper& helper) {
    return helper.busy && !helper.abandoned && helper.answered < helper.count;
}

// Gives the calling thread a descriptor table of its own, empty. A thread
// that a file system holds in statvfs cannot be ended, not even by SIGKILL,
// and the process's descriptors live as long as any of its threads that
// share them: with them, a killed process held by a dead card would keep
// its windows on screen (the display connection) and its instance socket
// accepting requests it can never answer. Kernels before 5.9 lack
// close_range: the table is unshared and emptied by hand there.
void LeaveDescriptorsBehind() {
    if (::close_range(0, ~0U, CLOSE_RANGE_UNSHARE) == 0) return;
    if (::unshare(CLONE_FILES) != 0) return;
    rlimit limit{};
    const rlim_t highest =
        ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? std::min<rlim_t>(limit.rlim_cur, 65536) : 1024;
    for (rlim_t descriptor = 0; descriptor < highest; ++descriptor)
        ::close(static_cast<int>(descriptor));
}

void* RunHelper(void* argument) {
    LeaveDescriptorsBehind();
    Helper& helper = *static_cast<Helper*>(argument);
    Helpers& shared = Shared();
    std::unique_lock guard(shared.lock);
    for (;;) {
        helper.asked.wait(guard, [&] { return helper.abandoned || HasWork(helper); });
        if (helper.abandoned) {  // let go between two calls
            helper.abandoned = false;
            helper.busy = false;
            continue;
        }
        char path[PATH_MAX];
        const std::string& asked = helper.paths[helper.answered];
        std::memcpy(path, asked.c_str(), asked.size() + 1);
        guard.unlock();
        Outcome outcome;
        outcome.succeeded = shared.call.load()(path, &outcome.answer) == 0;
        guard.lock();
        if (helper.abandoned) {
            helper.abandoned = false;
            helper.busy = false;
            // A call that outlived its bound may come back after minutes:
            // its thread ends, so that the threads held by dead file
            // systems do not stay on once they answer.
            if (helper.outlived) {
                helper.outlived = false;
                helper.started = false;
                return nullptr;
            }
            continue;
        }
        helper.outcomes[helper.answered++] = outcome;
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
        if (helper.busy) continue;
        if (helper.started) return &helper;
        if (unstarted == nullptr) unstarted = &helper;
    }
    return unstarted;
}

// True while a call for `path` has not returned.
bool StillHeldBy(const Helpers& shared, const char* path) {
    for (const Helper& helper : shared.helpers) {
        if (helper.busy && helper.answered < helper.count &&
            helper.paths[helper.answered] == path) {
            return true;
        }
    }
    return false;
}

// Hands `paths` to an idle helper (started if need be); null when none is.
Helper* Ask(Helpers& shared, std::span<const char* const> paths,
            std::unique_lock<std::mutex>& guard) {
    Helper* helper = IdleHelper(shared);
    if (helper == nullptr || (!helper->started && !Start(*helper))) return nullptr;
    if (helper->paths.size() < paths.size()) helper->paths.resize(paths.size());
    for (std::size_t index = 0; index < paths.size(); ++index)
        helper->paths[index].assign(paths[index]);
    helper->count = paths.size();
    helper->answered = 0;
    helper->busy = true;
    // The helper wakes to a free lock, as the caller does below.
    guard.unlock();
    helper->asked.notify_one();
    guard.lock();
    return helper;
}

// Lets a helper go: at once when it has nothing in progress, else once the
// call in progress returns. `outlived`: that call outlived its bound.
void LetGo(Helper& helper, bool outlived = false) {
    if (helper.answered < helper.count) {
        helper.abandoned = true;
        helper.outlived = helper.outlived || outlived;
    } else {
        helper.busy = false;
    }
}

void EndAheadRound(Helpers& shared, bool outlived = false) {
    if (shared.ahead.helper != nullptr) LetGo(*shared.ahead.helper, outlived);
    shared.ahead = AheadRound{};
}

// The outcome of the `index`th path of `helper`'s round, waited for until
// `deadline`; nothing when it is not in by then.
std::optional<Outcome> Await(Helpers& shared, Helper& helper, std::size_t index,
                             std::chrono::steady_clock::time_point deadline,
                             std::unique_lock<std::mutex>& guard) {
    if (!shared.answered.wait_until(guard, deadline, [&] { return helper.answered > index; })) {
        return std::nullopt;
    }
    return helper.outcomes[index];
}

std::optional<struct statvfs> AnswerOf(const Outcome& outcome) {
    if (!outcome.succeeded) return std::nullopt;
    return outcome.answer;
}

// The index of `path` in the round measured ahead while it is fresh and
// that answer not yet given.
std::optional<std::size_t> AheadIndex(Helpers& shared, const char* path) {
    AheadRound& ahead = shared.ahead;
    if (ahead.helper == nullptr) return std::nullopt;
    if (std::chrono::steady_clock::now() - ahead.started > STATVFS_AHEAD_FRESH) {
        EndAheadRound(shared);
        return std::nullopt;
    }
    const Helper& helper = *ahead.helper;
    for (std::size_t index = 0; index < helper.count; ++index) {
        if (!ahead.taken[index] && helper.paths[index] == path) return index;
    }
    return std::nullopt;
}

}  // namespace

std::optional<struct statvfs> StatvfsWithin(const char* path, std::chrono::milliseconds bound) {
    if (path == nullptr || std::strlen(path) >= PATH_MAX) return std::nullopt;
    Helpers& shared = Shared();
    std::unique_lock guard(shared.lock);
    const auto deadline = std::chrono::steady_clock::now() + bound;

    if (const std::optional<std::size_t> index = AheadIndex(shared, path)) {
        Helper& helper = *shared.ahead.helper;
        shared.ahead.taken[*index] = true;
        const std::optional<Outcome> outcome = Await(shared, helper, *index, deadline, guard);
        // The helper stopped before this path: what is left of the round is
        // measured path by path, where one hung call holds no other. A round
        // whose answers were all given frees its helper.
        const bool allTaken =
            std::all_of(shared.ahead.taken.begin(), shared.ahead.taken.begin() + helper.count,
                        [](bool taken) { return taken; });
        if ((!outcome || allTaken) && shared.ahead.helper == &helper)
            EndAheadRound(shared, !outcome);
        if (!outcome) return std::nullopt;
        return AnswerOf(*outcome);
    }

    if (StillHeldBy(shared, path)) return std::nullopt;
    const char* const asked[] = {path};
    Helper* helper = Ask(shared, asked, guard);
    if (helper == nullptr) return std::nullopt;
    const std::optional<Outcome> outcome = Await(shared, *helper, 0, deadline, guard);
    LetGo(*helper, !outcome);
    if (!outcome) return std::nullopt;
    return AnswerOf(*outcome);
}

void MeasureAhead(std::span<const char* const> paths) {
    Helpers& shared = Shared();
    std::unique_lock guard(shared.lock);
    EndAheadRound(shared);
    // A path whose call hangs is left out: it would hold a second helper.
    std::array<const char*, STATVFS_AHEAD> asked;
    std::size_t count = 0;
    for (const char* path : paths) {
        if (count == asked.size()) break;
        if (path == nullptr || std::strlen(path) >= PATH_MAX || StillHeldBy(shared, path)) continue;
        asked[count++] = path;
    }
    if (count == 0) return;
    Helper* helper = Ask(shared, std::span<const char* const>(asked.data(), count), guard);
    if (helper == nullptr) return;
    shared.ahead.helper = helper;
    shared.ahead.started = std::chrono::steady_clock::now();
}

void ReplaceStatvfsCall(StatvfsCall call) { Shared().call = call != nullptr ? call : &::statvfs; }

}  // namespace platform::linux_status
