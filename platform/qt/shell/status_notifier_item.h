// A notification icon as a StatusNotifierItem: an object on the session bus
// that the desktop's panel (KDE Plasma, GNOME with AppIndicator support,
// Xfce, waybar, swaybar) shows and calls when the user acts on it.
//
// The item answers Activate as a tap on the icon, ContextMenu with the
// icon's menu (also exported for panels that draw it themselves), and
// ProvideXdgActivationToken by keeping the token for the activation that
// follows.
#pragma once

#include <QDBusConnection>
#include <QIcon>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/qt/shell/dbus_object.h"
#include "platform/types.h"

class QMenu;

namespace platform::qt {

class DBusMenuObject;

class StatusNotifierItem : public DBusObject {
public:
    // `tap` is told of each action with the mouse message it stands for.
    StatusNotifierItem(WindowHandle owner, std::function<void(std::intptr_t)> tap);
    ~StatusNotifierItem() override;

    // Puts the item and its menu on `bus` and registers it with the
    // watcher; false when the bus refused the object paths.
    bool Publish(const QDBusConnection& bus);
    // Registers again, with a watcher that has just appeared.
    void RegisterWithWatcher();

    void SetIcon(const QIcon& icon);
    void SetToolTip(const QString& tip);

    QString introspect(const QString& path) const override;

private:
    QVariantMap Properties() const override;
    QDBusMessage AnswerCall(const QDBusMessage& call) override;
    void Announce(const char* signal) const;
    void ShowContextMenu(int x, int y);

    WindowHandle owner_;
    std::function<void(std::intptr_t)> tap_;
    QDBusConnection bus_;
    QString path_;
    QString menuPath_;
    std::unique_ptr<DBusMenuObject> menuObject_;
    std::unique_ptr<QMenu> menu_;
    QIcon icon_;
    QString tip_;
    bool published_ = false;
};

}  // namespace platform::qt
