#include "platform/qt/shell/dbus_menu.h"

#include <QDBusMessage>

#include "platform/qt/base/qt_text.h"
#include "dbusmenu_adaptor.h"  // generated from com.canonical.dbusmenu.xml
#include "platform/qt/shell/tray_menu.h"
#include "platform/shared/tray_menu.h"

namespace platform::qt {

namespace {

constexpr int ROOT_ID = 0;
// The menu never changes: one layout revision for its whole life.
constexpr uint LAYOUT_REVISION = 1;
constexpr uint PROTOCOL_VERSION = 3;

const shared::TrayMenuEntry* FindEntry(int id) {
    for (const shared::TrayMenuEntry& entry : shared::TRAY_MENU_ENTRIES) {
        if (entry.id == id) return &entry;
    }
    return nullptr;
}

bool IsItem(int id) { return id == ROOT_ID || FindEntry(id) != nullptr; }

QVariantMap AllPropertiesOf(int id) {
    if (id == ROOT_ID) return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
    return {{QStringLiteral("label"), ToQString(FindEntry(id)->label)},
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
        for (const shared::TrayMenuEntry& entry : shared::TRAY_MENU_ENTRIES) {
            item.children.append(LayoutOf(entry.id, depth - 1, names));
        }
    }
    return item;
}

}  // namespace

DBusMenuObject::DBusMenuObject(WindowHandle owner) : owner_(owner) {
    RegisterDBusTypes();
    new DbusmenuAdaptor(this);
    setProperty("Version", PROTOCOL_VERSION);
    setProperty("TextDirection", QStringLiteral("ltr"));
    setProperty("Status", QStringLiteral("normal"));
    setProperty("IconThemePath", QStringList());
}

uint DBusMenuObject::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                               DBusMenuLayoutItem& layout) {
    if (!IsItem(parentId)) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such menu item"));
        return 0;
    }
    layout = LayoutOf(parentId, recursionDepth, propertyNames);
    return LAYOUT_REVISION;
}

DBusMenuItemPropertiesList DBusMenuObject::GetGroupProperties(const QList<int>& ids,
                                                              const QStringList& propertyNames) {
    DBusMenuItemPropertiesList found;
    for (const int id : ids) {
        if (IsItem(id)) found.append({id, PropertiesOf(id, propertyNames)});
    }
    return found;
}

QDBusVariant DBusMenuObject::GetProperty(int id, const QString& name) {
    const QVariantMap properties = IsItem(id) ? AllPropertiesOf(id) : QVariantMap();
    if (!properties.contains(name)) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such menu item"));
        return {};
    }
    return QDBusVariant(properties.value(name));
}

void DBusMenuObject::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    if (eventId == QLatin1String("clicked")) ChooseTrayMenuEntry(owner_, id);
}

QList<int> DBusMenuObject::EventGroup(const DBusMenuEventList& events) {
    QList<int> errors;
    for (const DBusMenuEvent& event : events) {
        if (!IsItem(event.id)) {
            errors.append(event.id);
        } else if (event.eventId == QLatin1String("clicked")) {
            ChooseTrayMenuEntry(owner_, event.id);
        }
    }
    return errors;
}

bool DBusMenuObject::AboutToShow(int) { return false; }

QList<int> DBusMenuObject::AboutToShowGroup(const QList<int>&, QList<int>& idErrors) {
    idErrors.clear();
    return {};
}

}  // namespace platform::qt
