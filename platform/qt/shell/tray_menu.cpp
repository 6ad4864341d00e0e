#include "platform/qt/shell/tray_menu.h"

#include <QCoreApplication>
#include <QMenu>

#include "platform/qt/base/qt_text.h"
#include "platform/shared/tray_menu.h"

namespace platform::qt {

void ChooseTrayMenuEntry(WindowHandle owner, int id) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [owner, id] { shared::CarryOutTrayMenuEntry(owner, id); },
        Qt::QueuedConnection);
}

std::unique_ptr<QMenu> CreateTrayMenu(WindowHandle owner) {
    auto menu = std::make_unique<QMenu>();
    for (const shared::TrayMenuEntry& entry : shared::TRAY_MENU_ENTRIES) {
        const int id = entry.id;
        QObject::connect(menu->addAction(ToQString(entry.label)), &QAction::triggered, menu.get(),
                         [owner, id] { ChooseTrayMenuEntry(owner, id); });
    }
    return menu;
}

}  // namespace platform::qt
