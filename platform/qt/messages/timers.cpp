#include "platform/qt/messages/timers.h"

#include <QBasicTimer>
#include <QCoreApplication>
#include <QObject>
#include <QTimerEvent>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/qt/base/lifetime.h"
#include "platform/qt/windows/window_object.h"
#include "platform/timer.h"
#include "platform/window.h"

namespace platform::qt {

namespace {

// The platform's bounds on a timer's period.
constexpr std::uint32_t SHORTEST_PERIOD_MS = 10;
constexpr std::uint32_t LONGEST_PERIOD_MS = 0x7FFFFFFF;

struct TimerRecord {
    WindowHandle window = nullptr;
    std::uintptr_t id = 0;
    QBasicTimer timer;
    bool due = false;
    std::uint64_t dueOrder = 0;  // ticks are retrieved in the order they fell due
};

// Receives Qt's timer events and marks the timer due; the queue makes the
// message when it is asked for one (the retrieval that waits in Qt's loop
// returns once the event is handled). A tick that is not retrieved before the
// next one falls due is not repeated, as on the platform.
class TimerHost : public QObject {
public:
    std::vector<std::unique_ptr<TimerRecord>> timers;
    std::uint64_t lastDueOrder = 0;

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
void ReleaseTimers() { HostSlot().reset(); }

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

void EraseTimersIf(const auto& condition) {
    if (!HostSlot()) return;
    std::erase_if(HostSlot()->timers, [&](const auto& record) { return condition(*record); });
}

// Stops every timer of `window` (and a dialog's controls).
void KillTimersOf(const WindowObject* window) {
    EraseTimersIf([window](const TimerRecord& record) {
        return NamesDialogOrItsControl(record.window, window);
    });
}

}  // namespace

bool TakeDueTick(MessageRecord* message) {
    if (!HostSlot()) return false;
    TimerRecord* earliest = nullptr;
    for (const auto& record : HostSlot()->timers) {
        if (record->due && (earliest == nullptr || record->dueOrder < earliest->dueOrder)) {
            earliest = record.get();
        }
    }
    if (earliest == nullptr) return false;
    earliest->due = false;
    *message = MessageRecord{earliest->window, WM_TIMER, earliest->id, 0};
    return true;
}

}  // namespace platform::qt

namespace platform {

std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t periodMs) {
    using namespace platform::qt;
    if (LiveLocalWindow(window) == nullptr || id == 0) return 0;
    TimerHost* host = Host();
    if (host == nullptr) return 0;

    TimerRecord* record = FindTimer(window, id);
    if (record == nullptr) {
        auto created = std::make_unique<TimerRecord>();
        created->window = window;
        created->id = id;
        record = created.get();
        host->timers.push_back(std::move(created));
    }
    // Setting a timer again restarts its period and forgets a pending tick.
    record->due = false;
    const std::uint32_t period = std::clamp(periodMs, SHORTEST_PERIOD_MS, LONGEST_PERIOD_MS);
    record->timer.start(static_cast<int>(period), host);
    return record->id;
}

bool KillTimer(WindowHandle window, std::uintptr_t id) {
    using namespace platform::qt;
    if (FindTimer(window, id) == nullptr) return false;
    EraseTimersIf(
        [&](const TimerRecord& record) { return record.window == window && record.id == id; });
    return true;
}

}  // namespace platform
