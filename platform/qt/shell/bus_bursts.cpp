#include "platform/qt/shell/bus_bursts.h"

#include <malloc.h>

#include <QAbstractEventDispatcher>
#include <QEvent>
#include <QMetaObject>

#include "platform/qt/base/lifetime.h"

namespace platform::qt {

namespace {

struct Bursts {
    bool called = false;  // a call came since the memory was last given back
    QMetaObject::Connection beforeSleep;
};

Bursts& TheBursts() {
    static auto* bursts = new Bursts();  // kept: see lifetime.h
    return *bursts;
}

// One call with a list of 100,000 entries leaves as much behind as a burst
// of thousands. Giving back costs a fraction of a millisecond, and only
// when the loop goes to sleep after calls: a burst that comes faster than
// it is answered keeps the loop awake, and pays once at its end.
void GiveBackFreedMemory() {
    if (!TheBursts().called) return;
    TheBursts().called = false;
    ::malloc_trim(0);
}

void StopWatching() {
    QObject::disconnect(TheBursts().beforeSleep);
    TheBursts() = Bursts{};
}

void NoteCall() {
    Bursts& bursts = TheBursts();
    bursts.called = true;
    if (bursts.beforeSleep) return;
    // When the loop is about to sleep, nothing else is left to answer: the
    // freed memory goes back then, with no timer to wake the program later.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        bursts.beforeSleep = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock,
                                              GiveBackFreedMemory);
        CleanUpAtLayerEnd(LayerStage::NotificationIcons, StopWatching);
    }
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
