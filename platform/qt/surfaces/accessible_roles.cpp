#include "platform/qt/surfaces/accessible_roles.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "platform/qt/surfaces/dialog_frame.h"
#include "platform/qt/surfaces/static_control.h"

namespace platform::qt {

namespace {

// The widgets have no meta-object of their own: Qt asks for them as
// QWidgets.
QAccessibleInterface* AccessibleFormOf(const QString& className, QObject* object) {
    if (className != QLatin1String("QWidget")) return nullptr;
    if (auto* control = dynamic_cast<StaticControl*>(object)) {
        return new QAccessibleWidget(control, QAccessible::StaticText);
    }
    if (auto* frame = dynamic_cast<DialogFrame*>(object)) {
        return new QAccessibleWidget(frame, QAccessible::Dialog);
    }
    return nullptr;
}

}  // namespace

void GiveAccessibleRoles() {
    static const bool given = [] {
        QAccessible::installFactory(AccessibleFormOf);
        return true;
    }();
    (void)given;
}

}  // namespace platform::qt
