// Notification icons, shown in whatever notification area the desktop has:
// a StatusNotifierItem panel over D-Bus, or an X11 tray through
// QSystemTrayIcon. An icon is kept for as long as its owner lives and moves
// whenever the area changes, so a panel that starts after the program or
// restarts gets it too.
#include "platform/notify_icon.h"

#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/messages.h"
#include "platform/qt/resources/icon.h"
#include "platform/qt/base/lifetime.h"
#include "platform/qt/shell/notification_area.h"
#include "platform/qt/base/qt_text.h"
#include "platform/qt/shell/status_notifier_item.h"
#include "platform/qt/shell/tray_menu.h"
#include "platform/qt/windows/window_object.h"
#include "platform/window.h"

namespace platform::qt {

namespace {

// Mouse messages a tray activation stands for.
constexpr std::intptr_t WM_RBUTTONDOWN = 0x0204;
constexpr std::intptr_t WM_MBUTTONDOWN = 0x0207;
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

std::vector<std::unique_ptr<TrayIcon>>& TrayIcons() {
    static auto* icons = new std::vector<std::unique_ptr<TrayIcon>>();  // kept: see lifetime.h
    return *icons;
}

TrayIcon* FindTrayIcon(WindowHandle owner, std::uint32_t id) {
    for (const auto& icon : TrayIcons()) {
        if (icon->owner == owner && icon->id == id) return icon.get();
    }
    return nullptr;
}

std::intptr_t MouseMessageOf(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return WM_LBUTTONDOWN;
    case QSystemTrayIcon::DoubleClick:
        return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::Context:
        return WM_RBUTTONDOWN;
    case QSystemTrayIcon::MiddleClick:
        return WM_MBUTTONDOWN;
    default:
        return 0;
    }
}

// The owner hears of a press on the icon through its callback message.
void ReportPress(const TrayIcon& tray, std::intptr_t mouse) {
    if (tray.withCallback && mouse != 0) PostMessage(tray.owner, tray.callbackMessage, tray.id, mouse);
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
    QObject::connect(tray.xembed.get(), &QSystemTrayIcon::activated, tray.xembed.get(),
                     [shown](QSystemTrayIcon::ActivationReason reason) {
                         ReportPress(*shown, MouseMessageOf(reason));
                     });
    tray.xembed->show();
}

void ShowAsStatusNotifierItem(TrayIcon& tray) {
    TrayIcon* shown = &tray;
    tray.item = std::make_unique<StatusNotifierItem>(
        tray.owner, [shown](std::intptr_t mouse) { ReportPress(*shown, mouse); });
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

void PresentAll() {
    for (const auto& tray : TrayIcons()) Present(*tray);
}

// Takes what the record's flags say is valid.
void ApplyRecord(TrayIcon& tray, const NotifyIconRecord& record) {
    if (record.flags & NOTIFY_FLAG_MESSAGE) {
        tray.withCallback = true;
        tray.callbackMessage = record.callbackMessage;
    }
    if (record.flags & NOTIFY_FLAG_ICON) {
        const IconObject* icon = LiveIcon(record.icon);
        tray.icon = icon != nullptr ? icon->family : BlankIcon();
        if (tray.xembed) tray.xembed->setIcon(tray.icon);
        if (tray.item) tray.item->SetIcon(tray.icon);
    }
    if (record.flags & NOTIFY_FLAG_TIP) {
        tray.tip = TipOf(record);
        if (tray.xembed) tray.xembed->setToolTip(tray.tip);
        if (tray.item) tray.item->SetToolTip(tray.tip);
    }
}

// Removes the icons a window owns, which could only ever post to a window
// that no longer exists.
void RemoveTrayIconsOf(const WindowObject* window) {
    auto& icons = TrayIcons();
    icons.erase(std::remove_if(icons.begin(), icons.end(),
                               [window](const auto& icon) { return icon->owner == window; }),
                icons.end());
}

void RemoveAllTrayIcons() {
    TrayIcons().clear();
    StopWatchingNotificationArea();
}

bool AddTrayIcon(const NotifyIconRecord& record) {
    if (LiveLocalWindow(record.window) == nullptr || FindTrayIcon(record.window, record.id) != nullptr) {
        return false;
    }
    auto tray = std::make_unique<TrayIcon>();
    tray->owner = record.window;
    tray->id = record.id;
    tray->icon = BlankIcon();
    ApplyRecord(*tray, record);
    TrayIcon* added = tray.get();
    TrayIcons().push_back(std::move(tray));
    CleanUpAtLayerEnd(LayerStage::NotificationIcons, RemoveAllTrayIcons);
    ForgetWindowsThrough(RemoveTrayIconsOf);
    WatchNotificationArea(PresentAll);
    Present(*added);
    return true;
}

bool DeleteTrayIcon(const NotifyIconRecord& record) {
    auto& icons = TrayIcons();
    const auto found = std::find_if(icons.begin(), icons.end(), [&record](const auto& icon) {
        return icon->owner == record.window && icon->id == record.id;
    });
    if (found == icons.end()) return false;
    icons.erase(found);
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
    switch (operation) {
    case NOTIFY_ADD:
        return AddTrayIcon(*record);
    case NOTIFY_MODIFY:
        if (TrayIcon* tray = FindTrayIcon(record->window, record->id)) {
            ApplyRecord(*tray, *record);
            return true;
        }
        return false;
    case NOTIFY_DELETE:
        return DeleteTrayIcon(*record);
    default:
        return false;
    }
}

}  // namespace platform
