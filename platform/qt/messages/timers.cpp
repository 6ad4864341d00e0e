#include "platform/qt/messages/timers.h"

#include <QBasicTimer>
#include <QCoreApplication>
#include <QObject>
#include <QTimerEvent>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "platform/qt/base/lifetime.h"
#include "platform/qt/windows/window_object.h"
#include "platform/window.h"

namespace platform::qt {

namespace {

// The platform's bounds on a timer's period.
constexpr std::uint32_t SHORTEST_PERIOD_MS = 10;
constexpr std::uint32_t LONGEST_PERIOD_MS = 0x7FFFFFFF;

struct TimerRecord {
    WindowHandle window = nullptr;  // null: a thread timer
    std::uintptr_t id = 0;
    TimerCallback callback = nullptr;
    QBasicTimer timer;
    bool due = false;
    std::uint64_t dueOrder = 0;  // ticks are retrieved in the order they fell due
};

// Receives Qt's timer events and marks the timer due; the queue makes the
// message when it is asked for one.
class TimerHost : public QObject {
public:
    std::vector<std::unique_ptr<TimerRecord>> timers;
    std::uint64_t lastDueOrder = 0;
    std::uintptr_t lastThreadTimerId = 0;

protected:
    void timerEvent(QTimerEvent* event) override {
        for (const auto& record : timers) {
            if (record->timer.timerId() != event->timerId()) continue;
            if (!record->due) {
                record->due = true;
                record->dueOrder = ++lastDueOrder;
            }
            return;
        }
    }
};

std::unique_ptr<TimerHost>& HostSlot() {
    static auto* host = new std::unique_ptr<TimerHost>();  // kept: see lifetime.h
    return *host;
}

void KillTimersOf(const WindowObject* window);
void ReleaseTimers();

TimerHost* Host() {
    if (!HostSlot() && QCoreApplication::instance() != nullptr) {
        HostSlot() = std::make_unique<TimerHost>();
        CleanUpAtLayerEnd(LayerStage::Timers, ReleaseTimers);
        ForgetWindowsThrough(KillTimersOf);
    }
    return HostSlot().get();
}

TimerRecord* FindTimer(WindowHandle window, std::uintptr_t id) {
    if (!HostSlot()) return nullptr;
    for (const auto& record : HostSlot()->timers) {
        if (record->window == window && record->id == id) return record.get();
    }
    return nullptr;
}

// A thread timer gets a fresh identifier unless it names one of its own.
std::uintptr_t NewThreadTimerId(TimerHost& host) {
    do {
        ++host.lastThreadTimerId;
    } while (host.lastThreadTimerId == 0 || FindTimer(nullptr, host.lastThreadTimerId) != nullptr);
    return host.lastThreadTimerId;
}

void EraseTimersIf(const auto& condition) {
    if (!HostSlot()) return;
    auto& timers = HostSlot()->timers;
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [&](const auto& record) { return condition(*record); }),
                 timers.end());
}

// Stops every timer of `window` (and a dialog's controls).
void KillTimersOf(const WindowObject* window) {
    EraseTimersIf([window](const TimerRecord& record) {
        return NamesDialogOrItsControl(record.window, window);
    });
}

void ReleaseTimers() { HostSlot().reset(); }

}  // namespace

bool TakeDueTick(const MessageFilter& filter, MessageRecord* message) {
    if (!HostSlot()) return false;
    TimerRecord* earliest = nullptr;
    for (const auto& record : HostSlot()->timers) {
        if (!record->due) continue;
        const MessageRecord tick{record->window, WM_TIMER, record->id, 0};
        if (!filter.Accepts(tick)) continue;
        if (earliest == nullptr || record->dueOrder < earliest->dueOrder) earliest = record.get();
    }
    if (earliest == nullptr) return false;
    earliest->due = false;
    *message = MessageRecord{earliest->window, WM_TIMER, earliest->id,
                             reinterpret_cast<std::intptr_t>(earliest->callback)};
    return true;
}

TimerCallback CallbackOfTick(const MessageRecord& message) {
    if (message.message != WM_TIMER || message.second == 0) return nullptr;
    const TimerRecord* record = FindTimer(message.window, message.first);
    if (record == nullptr || reinterpret_cast<std::intptr_t>(record->callback) != message.second) {
        return nullptr;
    }
    return record->callback;
}

std::uint32_t TickCount() {
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

}  // namespace platform::qt

namespace platform {

std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t periodMs,
                        TimerCallback callback) {
    using namespace platform::qt;
    if (window != nullptr && (LiveLocalWindow(window) == nullptr || id == 0)) return 0;
    TimerHost* host = Host();
    if (host == nullptr) return 0;

    TimerRecord* record = FindTimer(window, id);
    if (record == nullptr) {
        auto created = std::make_unique<TimerRecord>();
        created->window = window;
        created->id = window != nullptr ? id : NewThreadTimerId(*host);
        record = created.get();
        host->timers.push_back(std::move(created));
    }
    // Setting a timer again restarts its period and forgets a pending tick.
    record->callback = callback;
    record->due = false;
    const std::uint32_t period = std::clamp(periodMs, SHORTEST_PERIOD_MS, LONGEST_PERIOD_MS);
    record->timer.start(static_cast<int>(period), host);
    return record->id;
}

bool KillTimer(WindowHandle window, std::uintptr_t id) {
    using namespace platform::qt;
    if (FindTimer(window, id) == nullptr) return false;
    EraseTimersIf([&](const TimerRecord& record) { return record.window == window && record.id == id; });
    return true;
}

}  // namespace platform
