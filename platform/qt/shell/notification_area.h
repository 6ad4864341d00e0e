// Which notification area the desktop offers, now and as it changes.
//
// A StatusNotifierWatcher on the session bus means a panel that shows
// items over D-Bus; without one, an X11 desktop may have a tray that embeds
// icon windows (XEmbed), and a Wayland desktop has nothing. The watcher can
// appear after the program (a panel started later), leave and come back (a
// panel that restarts): whoever keeps icons hears of every change and moves
// them, as the platform's "taskbar created" broadcast makes programs add
// their icons again.
#pragma once

#include <QDBusConnection>

#include <functional>

namespace platform::qt {

enum class TrayKind {
    Undecided,       // the bus has not answered yet
    None,            // nowhere to show an icon
    XEmbed,          // an X11 tray, through QSystemTrayIcon
    StatusNotifier,  // a StatusNotifierItem panel
};

// Starts watching, once; `changed` runs whenever the kind is settled or
// changes, and when a new watcher replaces an old one.
void WatchNotificationArea(std::function<void()> changed);

TrayKind CurrentTrayKind();

// The session bus the items live on.
QDBusConnection NotificationBus();

// Stops watching; for shutting the layer down.
void StopWatchingNotificationArea();

}  // namespace platform::qt
