// A notification icon's menu, exported on D-Bus as com.canonical.dbusmenu,
// the form in which StatusNotifierItem panels ask for an item's menu and
// report a click on one of its entries.
#pragma once

#include <QDBusVirtualObject>

#include "platform/types.h"

namespace platform::qt {

class DBusMenuObject : public QDBusVirtualObject {
public:
    explicit DBusMenuObject(WindowHandle owner) : owner_(owner) {}

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    QDBusMessage Answer(const QDBusMessage& call) const;

    WindowHandle owner_;
};

}  // namespace platform::qt
