#include "platform/qt/base/end_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <memory>

#include "platform/qt/base/lifetime.h"

namespace platform::qt {

namespace {

constexpr int END_SIGNALS[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<bool> endRequested{false};
// The pipe the handler writes to: [0] read by the loop, [1] written.
int endPipe[2] = {-1, -1};

struct Answering {
    std::unique_ptr<QSocketNotifier> notifier;
    void (*answer)() = nullptr;
};

Answering& TheAnswering() {
    static auto* answering = new Answering();  // kept: see lifetime.h
    return *answering;
}

void NoteEndSignal(int) {
    const int saved = errno;
    endRequested.store(true);
    const char byte = 0;
    // A full pipe holds a request already.
    [[maybe_unused]] const ssize_t written = ::write(endPipe[1], &byte, 1);
    errno = saved;
}

void Drain() {
    char bytes[64];
    while (::read(endPipe[0], bytes, sizeof bytes) > 0) {
    }
}

void StopAnswering() { TheAnswering() = Answering{}; }

}  // namespace

void CatchEndSignals() {
    if (endPipe[0] >= 0 || ::pipe2(endPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = NoteEndSignal;
    ::sigemptyset(&action.sa_mask);
    // No SA_RESTART: a wait that the signal breaks (a second start waiting
    // for the running instance's answer) sees it and gives up.
    action.sa_flags = 0;
    for (const int signal : END_SIGNALS) ::sigaction(signal, &action, nullptr);
}

bool EndRequested() { return endRequested.load(); }

void AnswerEndSignals(void (*answer)()) {
    if (endPipe[0] < 0) return;
    Answering& answering = TheAnswering();
    answering.answer = answer;
    if (answering.notifier) return;
    answering.notifier = std::make_unique<QSocketNotifier>(endPipe[0], QSocketNotifier::Read);
    QObject::connect(answering.notifier.get(), &QSocketNotifier::activated,
                     answering.notifier.get(), [] {
                         Drain();
                         if (TheAnswering().answer != nullptr) TheAnswering().answer();
                     });
    CleanUpAtLayerEnd(LayerStage::MessageQueue, StopAnswering);
}

}  // namespace platform::qt
