// The notification icon, shown in whatever notification area the desktop
// has: a StatusNotifierItem panel over D-Bus, or an X11 tray through
// QSystemTrayIcon. The process has one icon, kept for as long as its owner
// lives; it moves whenever the area changes, so a panel that starts after
// the program or restarts gets it too.
#include "platform/notify_icon.h"

#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

#include <algorithm>
#include <memory>

#include "platform/messages.h"
#include "platform/qt/base/lifetime.h"
#include "platform/qt/base/qt_text.h"
#include "platform/qt/resources/icon.h"
#include "platform/qt/shell/notification_area.h"
#include "platform/qt/shell/status_notifier_item.h"
#include "platform/qt/shell/tray_menu.h"
#include "platform/qt/windows/window_object.h"
#include "platform/window.h"

namespace platform::qt {

namespace {

constexpr int SMALL_ICON_SIDE = 16;

struct TrayIcon {
    WindowHandle owner = nullptr;
    std::uint32_t id = 0;
    bool withCallback = false;
    std::uint32_t callbackMessage = 0;
    QIcon icon;
    QString tip;
    // At most one of these shows the icon, as the notification area says.
    std::unique_ptr<QMenu> menu;
    std::unique_ptr<QSystemTrayIcon> xembed;
    std::unique_ptr<StatusNotifierItem> item;
};

std::unique_ptr<TrayIcon>& TheIcon() {
    static auto* icon = new std::unique_ptr<TrayIcon>();  // kept: see lifetime.h
    return *icon;
}

// The owner hears of a press on the icon through its callback message.
void ReportPress(const TrayIcon& tray) {
    if (tray.withCallback) PostMessage(tray.owner, tray.callbackMessage, tray.id, WM_LBUTTONDOWN);
}

// The tip field holds at most 63 characters and a NUL; an unterminated
// field gives its first 63, and nothing past the field is read.
QString TipOf(const NotifyIconRecord& record) {
    const char16_t* tip = record.tip;
    const std::size_t length = std::find(tip, tip + NOTIFY_TIP_CHARS - 1, u'\0') - tip;
    return ToQString(std::u16string_view(tip, length));
}

QIcon BlankIcon() {
    QPixmap blank(SMALL_ICON_SIDE, SMALL_ICON_SIDE);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

void ShowInXEmbedTray(TrayIcon& tray) {
    if (!tray.menu) tray.menu = CreateTrayMenu(tray.owner);
    tray.xembed = std::make_unique<QSystemTrayIcon>(tray.icon);
    tray.xembed->setToolTip(tray.tip);
    tray.xembed->setContextMenu(tray.menu.get());
    TrayIcon* shown = &tray;
    // A click is a press; the context menu opens by itself, and the owner
    // answers nothing else.
    QObject::connect(tray.xembed.get(), &QSystemTrayIcon::activated, tray.xembed.get(),
                     [shown](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger) ReportPress(*shown);
                     });
    tray.xembed->show();
}

void ShowAsStatusNotifierItem(TrayIcon& tray) {
    TrayIcon* shown = &tray;
    tray.item = std::make_unique<StatusNotifierItem>(tray.owner, [shown] { ReportPress(*shown); });
    tray.item->SetIcon(tray.icon);
    tray.item->SetToolTip(tray.tip);
    if (!tray.item->Publish(NotificationBus())) tray.item.reset();
}

// Puts the icon where the notification area now is, and nowhere else.
void Present(TrayIcon& tray) {
    const TrayKind kind = CurrentTrayKind();
    if (kind != TrayKind::XEmbed) tray.xembed.reset();
    if (kind != TrayKind::StatusNotifier) tray.item.reset();
    if (kind == TrayKind::XEmbed && !tray.xembed) ShowInXEmbedTray(tray);
    if (kind == TrayKind::StatusNotifier) {
        if (tray.item) {
            tray.item->RegisterWithWatcher();  // a new panel
        } else {
            ShowAsStatusNotifierItem(tray);
        }
    }
}

void PresentTheIcon() {
    if (TheIcon()) Present(*TheIcon());
}

// Takes what the record's flags say is valid.
void ApplyRecord(TrayIcon& tray, const NotifyIconRecord& record) {
    if (record.flags & NOTIFY_FLAG_MESSAGE) {
        tray.withCallback = true;
        tray.callbackMessage = record.callbackMessage;
    }
    if (record.flags & NOTIFY_FLAG_ICON) {
        const IconObject* icon = LiveIcon(record.icon);
        if (icon != nullptr) tray.icon = icon->family;
    }
    if (record.flags & NOTIFY_FLAG_TIP) tray.tip = TipOf(record);
}

// The icon goes with its owner: it could only ever post to a window that
// no longer exists.
void RemoveTrayIconOf(const WindowObject* window) {
    if (TheIcon() && TheIcon()->owner == window) TheIcon().reset();
}

void RemoveTheIcon() {
    TheIcon().reset();
    StopWatchingNotificationArea();
}

bool AddTrayIcon(const NotifyIconRecord& record) {
    if (LiveLocalWindow(record.window) == nullptr || TheIcon()) return false;
    TheIcon() = std::make_unique<TrayIcon>();
    TrayIcon& tray = *TheIcon();
    tray.owner = record.window;
    tray.id = record.id;
    tray.icon = BlankIcon();
    ApplyRecord(tray, record);
    CleanUpAtLayerEnd(LayerStage::NotificationIcons, RemoveTheIcon);
    ForgetWindowsThrough(RemoveTrayIconOf);
    WatchNotificationArea(PresentTheIcon);
    Present(tray);
    return true;
}

bool DeleteTrayIcon(const NotifyIconRecord& record) {
    if (!TheIcon() || TheIcon()->owner != record.window || TheIcon()->id != record.id) return false;
    TheIcon().reset();
    return true;
}

}  // namespace

}  // namespace platform::qt

namespace platform {

bool NotifyIcon(std::uint32_t operation, const NotifyIconRecord* record) {
    using namespace platform::qt;
    if (record == nullptr || record->size != sizeof(NotifyIconRecord) ||
        qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return false;
    }
    if (operation == NOTIFY_ADD) return AddTrayIcon(*record);
    if (operation == NOTIFY_DELETE) return DeleteTrayIcon(*record);
    return false;
}

}  // namespace platform
