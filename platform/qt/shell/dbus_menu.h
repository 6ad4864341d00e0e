// A notification icon's menu, exported on D-Bus as com.canonical.dbusmenu,
// the form in which StatusNotifierItem panels ask for an item's menu and
// report a click on one of its entries.
#pragma once

#include "platform/qt/shell/dbus_object.h"
#include "platform/types.h"

namespace platform::qt {

class DBusMenuObject : public DBusObject {
public:
    explicit DBusMenuObject(WindowHandle owner);

    QString introspect(const QString& path) const override;

private:
    QVariantMap Properties() const override;
    QDBusMessage AnswerCall(const QDBusMessage& call) override;

    WindowHandle owner_;
};

}  // namespace platform::qt
