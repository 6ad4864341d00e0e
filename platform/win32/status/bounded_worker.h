// Calls that can hang (a drive that stopped answering, a network share that
// went away) run on a worker thread while the caller waits a bounded time.
//
// A job that overruns the bound counts as failed for this call. Its worker
// goes on with it and takes no new job until it has ended, so a call that
// hangs for good holds one thread, never one more per refresh. Workers live
// until the process ends; a worker that hangs there is ended with it.
#pragma once

#include "platform/win32/windows_api.h"

namespace platform::win32 {

// Job: copyable, with a `void Run()` that fills its own results.
template <class Job>
class BoundedWorker {
public:
    // Runs `job` on the worker and copies it back with its results. False,
    // `job` untouched, when the job overran `boundMs`, when an earlier one
    // still runs, or when no worker thread could be had.
    bool Run(Job& job, DWORD boundMs) {
        if (overran_) {
            if (WaitForSingleObject(done_, 0) != WAIT_OBJECT_0) return false;
            overran_ = false;
        }
        if (!started_ && !Start()) return false;
        job_ = job;
        SetEvent(start_);
        if (WaitForSingleObject(done_, boundMs) != WAIT_OBJECT_0) {
            overran_ = true;
            return false;
        }
        job = job_;
        return true;
    }

private:
    bool Start() {
        if (start_ == nullptr) start_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (done_ == nullptr) done_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (start_ == nullptr || done_ == nullptr) return false;
        HANDLE thread = CreateThread(nullptr, WORKER_STACK_BYTES, Work, this,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (thread == nullptr) return false;
        CloseHandle(thread);
        started_ = true;
        return true;
    }

    static DWORD WINAPI Work(void* self) {
        auto* worker = static_cast<BoundedWorker*>(self);
        // A drive without a medium fails its calls instead of asking the
        // user to insert one.
        SetThreadErrorMode(SEM_FAILCRITICALERRORS, nullptr);
        for (;;) {
            WaitForSingleObject(worker->start_, INFINITE);
            worker->job_.Run();
            SetEvent(worker->done_);
        }
    }

    static constexpr SIZE_T WORKER_STACK_BYTES = 64 * 1024;

    Job job_{};
    HANDLE start_ = nullptr;  // a job waits (auto-reset)
    HANDLE done_ = nullptr;   // the job has ended (auto-reset)
    bool started_ = false;
    bool overran_ = false;  // the last job overran and may still run
};

}  // namespace platform::win32
