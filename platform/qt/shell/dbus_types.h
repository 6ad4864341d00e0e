// The structures that StatusNotifierItem and its menu exchange over D-Bus,
// with their marshalling; the interface descriptions (*.xml) name them.
#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace platform::qt {

// One image of an icon: width, height and ARGB32 pixels in network byte
// order, row after row ("(iiay)").
struct DBusIconImage {
    int width = 0;
    int height = 0;
    QByteArray pixels;
};
using DBusIconImages = QList<DBusIconImage>;

DBusIconImage ToDBusIconImage(const QImage& image);

// A tool tip: icon name, icon images, title and description ("(sa(iiay)ss)").
struct DBusToolTip {
    QString iconName;
    DBusIconImages images;
    QString title;
    QString description;
};

// One item of a menu layout and its children ("(ia{sv}av)").
struct DBusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

// The properties of one menu item ("(ia{sv})").
struct DBusMenuItemProperties {
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemPropertiesList = QList<DBusMenuItemProperties>;

// The names of properties one menu item lost ("(ias)").
struct DBusMenuItemKeys {
    int id = 0;
    QStringList names;
};
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;

// An event on a menu item: its id, what happened ("clicked", "hovered"),
// data and time ("(isvu)").
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

QDBusArgument& operator<<(QDBusArgument& argument, const DBusIconImage& image);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusIconImage& image);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusToolTip& tip);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemProperties& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

// Makes the types known to Qt's D-Bus marshalling; harmless to repeat.
void RegisterDBusTypes();

}  // namespace platform::qt

Q_DECLARE_METATYPE(platform::qt::DBusIconImage)
Q_DECLARE_METATYPE(platform::qt::DBusToolTip)
Q_DECLARE_METATYPE(platform::qt::DBusMenuLayoutItem)
Q_DECLARE_METATYPE(platform::qt::DBusMenuItemProperties)
Q_DECLARE_METATYPE(platform::qt::DBusMenuItemKeys)
Q_DECLARE_METATYPE(platform::qt::DBusMenuEvent)
