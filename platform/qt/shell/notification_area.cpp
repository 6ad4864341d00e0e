#include "platform/qt/shell/notification_area.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QGuiApplication>

#include <memory>

namespace platform::qt {

namespace {

constexpr QLatin1StringView WATCHER_SERVICE("org.kde.StatusNotifierWatcher");

struct AreaState {
    TrayKind kind = TrayKind::Undecided;
    std::function<void()> changed;
    std::unique_ptr<QDBusServiceWatcher> watcher;
    std::unique_ptr<QObject> context;  // owns the pending question
    bool watching = false;
};

AreaState& Area() {
    static auto* state = new AreaState();  // kept: see lifetime.h
    return *state;
}

// Without a StatusNotifierItem panel: the X11 tray, whenever one docks.
// Qt's own tray icon follows X11 trays that start late or restart. It
// must only ever be made while no watcher is on the bus: Qt decides once,
// at the first one, whether its icons go to D-Bus, and an icon of Qt's on
// D-Bus beside this layer's own items would be shown twice.
TrayKind KindWithoutWatcher() {
    return QGuiApplication::platformName() == QLatin1String("xcb") ? TrayKind::XEmbed
                                                                   : TrayKind::None;
}

void Settle(bool watcherPresent) {
    Area().kind = watcherPresent ? TrayKind::StatusNotifier : KindWithoutWatcher();
    if (Area().changed) Area().changed();
}

void AskWhetherWatcherIsThere(const QDBusConnection& bus) {
    const QDBusPendingCall call =
        bus.interface()->asyncCall(QStringLiteral("NameHasOwner"), QString(WATCHER_SERVICE));
    auto* pending = new QDBusPendingCallWatcher(call, Area().context.get());
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, pending,
                     [](QDBusPendingCallWatcher* answer) {
                         answer->deleteLater();
                         // A change of owner seen meanwhile has settled it already.
                         if (Area().kind != TrayKind::Undecided) return;
                         const QDBusPendingReply<bool> reply = *answer;
                         Settle(reply.isValid() && reply.value());
                     });
}

}  // namespace

void WatchNotificationArea(std::function<void()> changed) {
    Area().changed = std::move(changed);
    if (Area().watching) return;
    Area().watching = true;
    const QDBusConnection bus = NotificationBus();
    if (!bus.isConnected() || bus.interface() == nullptr) {
        Area().kind = KindWithoutWatcher();
        return;
    }
    Area().context = std::make_unique<QObject>();
    Area().watcher = std::make_unique<QDBusServiceWatcher>(
        QString(WATCHER_SERVICE), bus, QDBusServiceWatcher::WatchForOwnerChange);
    QObject::connect(Area().watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged,
                     Area().context.get(),
                     [](const QString&, const QString&, const QString& newOwner) {
                         Settle(!newOwner.isEmpty());
                     });
    AskWhetherWatcherIsThere(bus);
}

TrayKind CurrentTrayKind() { return Area().kind; }

QDBusConnection NotificationBus() { return QDBusConnection::sessionBus(); }

void StopWatchingNotificationArea() { Area() = AreaState{}; }

}  // namespace platform::qt
