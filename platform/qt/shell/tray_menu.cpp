#include "platform/qt/shell/tray_menu.h"

#include <QCoreApplication>
#include <QMenu>

#include "platform/messages.h"
#include "platform/window.h"

namespace platform::qt {

namespace {

constexpr int SHOW_ENTRY = 1;
constexpr int END_ENTRY = 2;

}  // namespace

const std::array<TrayMenuEntry, 2>& TrayMenuEntries() {
    static const std::array<TrayMenuEntry, 2> entries{{
        {SHOW_ENTRY, QStringLiteral(u"表示")},
        {END_ENTRY, QStringLiteral(u"終了")},
    }};
    return entries;
}

void ChooseTrayMenuEntry(WindowHandle owner, int id) {
    if (id == END_ENTRY) {
        PostMessage(owner, WM_CLOSE, 0, 0);
        return;
    }
    if (id != SHOW_ENTRY) return;
    // Run from the loop rather than from inside the menu's own handling: the
    // dialog procedure that showing reaches may do anything.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [owner] {
            ShowWindow(owner, SHOW_SHOW);
            SetForegroundWindow(owner);
        },
        Qt::QueuedConnection);
}

std::unique_ptr<QMenu> CreateTrayMenu(WindowHandle owner) {
    auto menu = std::make_unique<QMenu>();
    for (const TrayMenuEntry& entry : TrayMenuEntries()) {
        const int id = entry.id;
        QObject::connect(menu->addAction(entry.label), &QAction::triggered, menu.get(),
                         [owner, id] { ChooseTrayMenuEntry(owner, id); });
    }
    return menu;
}

}  // namespace platform::qt
