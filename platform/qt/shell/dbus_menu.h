// A notification icon's menu, exported on D-Bus as com.canonical.dbusmenu,
// the form in which StatusNotifierItem panels ask for an item's menu and
// report a click on one of its entries. Qt's adaptor, generated from
// com.canonical.dbusmenu.xml, reads the properties and makes the calls
// below; a call of another name or with other argument types never reaches
// them.
#pragma once

#include <QDBusContext>
#include <QObject>

#include "platform/qt/shell/dbus_types.h"
#include "platform/types.h"

namespace platform::qt {

class DBusMenuObject : public QObject, protected QDBusContext {
    Q_OBJECT

public:
    explicit DBusMenuObject(WindowHandle owner);

    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   DBusMenuLayoutItem& layout);
    DBusMenuItemPropertiesList GetGroupProperties(const QList<int>& ids,
                                                  const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const DBusMenuEventList& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

private:
    WindowHandle owner_;
};

}  // namespace platform::qt
