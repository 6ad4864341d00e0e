// A notification icon as a StatusNotifierItem: an object on the session bus
// that the desktop's panel (KDE Plasma, GNOME with AppIndicator support,
// Xfce, waybar, swaybar) shows and calls when the user acts on it. Qt's
// adaptor, generated from org.kde.StatusNotifierItem.xml, reads the
// properties and makes the calls below.
//
// Activate is a tap on the icon; ContextMenu shows the icon's menu (also
// exported for panels that draw it themselves); ProvideXdgActivationToken
// keeps the token for the activation that follows.
#pragma once

#include <QDBusConnection>
#include <QIcon>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "platform/qt/shell/dbus_types.h"
#include "platform/types.h"

class QMenu;

namespace platform::qt {

class DBusMenuObject;

class StatusNotifierItem : public QObject {
    Q_OBJECT

public:
    // `tap` is told of each Activate.
    StatusNotifierItem(WindowHandle owner, std::function<void()> tap);
    ~StatusNotifierItem() override;

    // Puts the item and its menu on `bus` and registers it with the
    // watcher; false when the bus refused the object paths.
    bool Publish(const QDBusConnection& bus);
    // Registers again, with a watcher that has just appeared.
    void RegisterWithWatcher();

    void SetIcon(const QIcon& icon);
    void SetToolTip(const QString& tip);

    void Activate(int x, int y);
    void ContextMenu(int x, int y);
    void SecondaryActivate(int x, int y);
    void Scroll(int delta, const QString& orientation);
    void ProvideXdgActivationToken(const QString& token);

Q_SIGNALS:
    void NewIcon();
    void NewToolTip();

private:
    void UpdateToolTip();

    std::function<void()> tap_;
    QDBusConnection bus_;
    std::unique_ptr<DBusMenuObject> menuObject_;
    std::unique_ptr<QMenu> menu_;
    DBusIconImages images_;
    QString tip_;
    bool published_ = false;
};

}  // namespace platform::qt
