#include "platform/qt/shell/dbus_menu.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QStringList>

#include "platform/qt/shell/dbus_types.h"
#include "platform/qt/shell/tray_menu.h"

namespace platform::qt {

namespace {

const QString MENU_INTERFACE = QStringLiteral("com.canonical.dbusmenu");
constexpr int ROOT_ID = 0;
// The menu never changes: one layout revision for its whole life.
constexpr uint LAYOUT_REVISION = 1;
constexpr uint PROTOCOL_VERSION = 3;

const char* const INTROSPECTION = R"xml(<interface name="com.canonical.dbusmenu">
  <property name="Version" type="u" access="read"/>
  <property name="TextDirection" type="s" access="read"/>
  <property name="Status" type="s" access="read"/>
  <property name="IconThemePath" type="as" access="read"/>
  <method name="GetLayout">
   <arg type="i" name="parentId" direction="in"/>
   <arg type="i" name="recursionDepth" direction="in"/>
   <arg type="as" name="propertyNames" direction="in"/>
   <arg type="u" name="revision" direction="out"/>
   <arg type="(ia{sv}av)" name="layout" direction="out"/>
  </method>
  <method name="GetGroupProperties">
   <arg type="ai" name="ids" direction="in"/>
   <arg type="as" name="propertyNames" direction="in"/>
   <arg type="a(ia{sv})" name="properties" direction="out"/>
  </method>
  <method name="GetProperty">
   <arg type="i" name="id" direction="in"/>
   <arg type="s" name="name" direction="in"/>
   <arg type="v" name="value" direction="out"/>
  </method>
  <method name="Event">
   <arg type="i" name="id" direction="in"/>
   <arg type="s" name="eventId" direction="in"/>
   <arg type="v" name="data" direction="in"/>
   <arg type="u" name="timestamp" direction="in"/>
  </method>
  <method name="EventGroup">
   <arg type="a(isvu)" name="events" direction="in"/>
   <arg type="ai" name="idErrors" direction="out"/>
  </method>
  <method name="AboutToShow">
   <arg type="i" name="id" direction="in"/>
   <arg type="b" name="needUpdate" direction="out"/>
  </method>
  <method name="AboutToShowGroup">
   <arg type="ai" name="ids" direction="in"/>
   <arg type="ai" name="updatesNeeded" direction="out"/>
   <arg type="ai" name="idErrors" direction="out"/>
  </method>
  <signal name="ItemsPropertiesUpdated">
   <arg type="a(ia{sv})" name="updatedProps" direction="out"/>
   <arg type="a(ias)" name="removedProps" direction="out"/>
  </signal>
  <signal name="LayoutUpdated">
   <arg type="u" name="revision" direction="out"/>
   <arg type="i" name="parent" direction="out"/>
  </signal>
  <signal name="ItemActivationRequested">
   <arg type="i" name="id" direction="out"/>
   <arg type="u" name="timestamp" direction="out"/>
  </signal>
 </interface>
)xml";

const TrayMenuEntry* FindEntry(int id) {
    for (const TrayMenuEntry& entry : TrayMenuEntries()) {
        if (entry.id == id) return &entry;
    }
    return nullptr;
}

bool IsItem(int id) { return id == ROOT_ID || FindEntry(id) != nullptr; }

QVariantMap AllPropertiesOf(int id) {
    if (id == ROOT_ID) return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
    return {{QStringLiteral("label"), FindEntry(id)->label},
            {QStringLiteral("enabled"), true},
            {QStringLiteral("visible"), true},
            {QStringLiteral("type"), QStringLiteral("standard")}};
}

// Only the properties asked for; all of them when none are named.
QVariantMap PropertiesOf(int id, const QStringList& names) {
    QVariantMap properties = AllPropertiesOf(id);
    if (names.isEmpty()) return properties;
    for (auto it = properties.begin(); it != properties.end();) {
        it = names.contains(it.key()) ? std::next(it) : properties.erase(it);
    }
    return properties;
}

DBusMenuLayoutItem LayoutOf(int id, int depth, const QStringList& names) {
    DBusMenuLayoutItem item{id, PropertiesOf(id, names), {}};
    if (id == ROOT_ID && depth != 0) {
        for (const TrayMenuEntry& entry : TrayMenuEntries()) {
            item.children.append(LayoutOf(entry.id, depth - 1, names));
        }
    }
    return item;
}

QDBusMessage InvalidArguments(const QDBusMessage& call) {
    return call.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such menu item"));
}

}  // namespace

DBusMenuObject::DBusMenuObject(WindowHandle owner) : DBusObject(MENU_INTERFACE), owner_(owner) {}

QVariantMap DBusMenuObject::Properties() const {
    return {{QStringLiteral("Version"), PROTOCOL_VERSION},
            {QStringLiteral("TextDirection"), QStringLiteral("ltr")},
            {QStringLiteral("Status"), QStringLiteral("normal")},
            {QStringLiteral("IconThemePath"), QStringList()}};
}

QString DBusMenuObject::introspect(const QString&) const { return QString::fromLatin1(INTROSPECTION); }

QDBusMessage DBusMenuObject::AnswerCall(const QDBusMessage& call) {
    const QList<QVariant> args = call.arguments();
    if (IsCall(call, "GetLayout", "iias")) {
        const int parent = args[0].toInt();
        if (!IsItem(parent)) return InvalidArguments(call);
        return call.createReply({LAYOUT_REVISION, QVariant::fromValue(LayoutOf(parent, args[1].toInt(),
                                                                                args[2].toStringList()))});
    }
    if (IsCall(call, "GetGroupProperties", "aias")) {
        const QList<int> ids = qdbus_cast<QList<int>>(args[0]);
        DBusMenuItemPropertiesList found;
        for (const int id : ids) {
            if (IsItem(id)) found.append({id, PropertiesOf(id, args[1].toStringList())});
        }
        return call.createReply(QVariant::fromValue(found));
    }
    if (IsCall(call, "GetProperty", "is")) {
        const QVariantMap properties = IsItem(args[0].toInt()) ? AllPropertiesOf(args[0].toInt()) : QVariantMap();
        if (!properties.contains(args[1].toString())) return InvalidArguments(call);
        return call.createReply(QVariant::fromValue(QDBusVariant(properties.value(args[1].toString()))));
    }
    if (IsCall(call, "Event", "isvu")) {
        if (args[1].toString() == QLatin1String("clicked")) ChooseTrayMenuEntry(owner_, args[0].toInt());
        return call.createReply();
    }
    if (IsCall(call, "EventGroup", "a(isvu)")) {
        QList<int> errors;
        const QDBusArgument events = args[0].value<QDBusArgument>();
        events.beginArray();
        while (!events.atEnd()) {
            int id = 0;
            QString eventId;
            QDBusVariant data;
            uint timestamp = 0;
            events.beginStructure();
            events >> id >> eventId >> data >> timestamp;
            events.endStructure();
            if (!IsItem(id)) {
                errors.append(id);
            } else if (eventId == QLatin1String("clicked")) {
                ChooseTrayMenuEntry(owner_, id);
            }
        }
        events.endArray();
        return call.createReply(QVariant::fromValue(errors));
    }
    if (IsCall(call, "AboutToShow", "i")) return call.createReply(false);
    if (IsCall(call, "AboutToShowGroup", "ai")) {
        return call.createReply({QVariant::fromValue(QList<int>()), QVariant::fromValue(QList<int>())});
    }
    return {};
}

}  // namespace platform::qt
