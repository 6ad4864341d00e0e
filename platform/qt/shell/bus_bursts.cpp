#include "platform/qt/shell/bus_bursts.h"

#include <malloc.h>

#include <QEvent>
#include <QTimer>

#include <chrono>
#include <memory>

#include "platform/qt/base/lifetime.h"

namespace platform::qt {

namespace {

// The quiet after the last call that ends a burst.
constexpr std::chrono::milliseconds QUIET{1000};

struct Bursts {
    std::unique_ptr<QTimer> quiet;
};

Bursts& TheBursts() {
    static auto* bursts = new Bursts();  // kept: see lifetime.h
    return *bursts;
}

// One call with a list of 100,000 entries leaves as much behind as a
// burst of thousands; it costs a fraction of a millisecond when there is
// nothing to give back.
void GiveBackFreedMemory() { ::malloc_trim(0); }

void StopWatching() { TheBursts() = Bursts{}; }

void NoteCall() {
    Bursts& bursts = TheBursts();
    if (!bursts.quiet) {
        bursts.quiet = std::make_unique<QTimer>();
        bursts.quiet->setSingleShot(true);
        QObject::connect(bursts.quiet.get(), &QTimer::timeout, GiveBackFreedMemory);
        CleanUpAtLayerEnd(LayerStage::NotificationIcons, StopWatching);
    }
    // Each call puts the end off.
    bursts.quiet->start(QUIET);
}

// Qt delivers each call to an object on the bus as a meta-call event posted
// to it, whether an adaptor answers it or Qt answers it itself (an unknown
// method, introspection).
class CallCounter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MetaCall) NoteCall();
        return false;
    }
};

}  // namespace

void WatchForBursts(QObject* object) { object->installEventFilter(new CallCounter(object)); }

}  // namespace platform::qt
