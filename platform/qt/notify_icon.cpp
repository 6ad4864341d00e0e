// Notification icons over QSystemTrayIcon (an XEmbed tray or a
// StatusNotifierItem host, whichever the desktop has).
#include "platform/notify_icon.h"

#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/messages.h"
#include "platform/qt/icon_store.h"
#include "platform/qt/layer.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/tray_icons.h"
#include "platform/qt/window_object.h"
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
    std::unique_ptr<QSystemTrayIcon> icon;
};

std::vector<std::unique_ptr<TrayIcon>>& TrayIcons() {
    static std::vector<std::unique_ptr<TrayIcon>> icons;
    return icons;
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

// The tip field holds at most 63 characters and a NUL; an unterminated
// field gives its first 63, and nothing past the field is read.
QString TipOf(const NotifyIconRecord& record) {
    const char16_t* tip = record.tip;
    const std::size_t length =
        std::find(tip, tip + NOTIFY_TIP_CHARS - 1, u'\0') - tip;
    return ToQString(std::u16string_view(tip, length));
}

QIcon BlankIcon() {
    QPixmap blank(SMALL_ICON_SIDE, SMALL_ICON_SIDE);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

// Takes what the record's flags say is valid.
void ApplyRecord(TrayIcon& tray, const NotifyIconRecord& record) {
    if (record.flags & NOTIFY_FLAG_MESSAGE) {
        tray.withCallback = true;
        tray.callbackMessage = record.callbackMessage;
    }
    if (record.flags & NOTIFY_FLAG_ICON) {
        const IconObject* icon = LiveIcon(record.icon);
        tray.icon->setIcon(icon != nullptr ? icon->icon : BlankIcon());
    }
    if (record.flags & NOTIFY_FLAG_TIP) tray.icon->setToolTip(TipOf(record));
}

bool AddTrayIcon(const NotifyIconRecord& record) {
    if (LiveLocalWindow(record.window) == nullptr || FindTrayIcon(record.window, record.id) != nullptr ||
        !QSystemTrayIcon::isSystemTrayAvailable()) {
        return false;
    }
    auto tray = std::make_unique<TrayIcon>();
    tray->owner = record.window;
    tray->id = record.id;
    tray->icon = std::make_unique<QSystemTrayIcon>();
    tray->icon->setIcon(BlankIcon());
    ApplyRecord(*tray, record);

    TrayIcon* added = tray.get();
    QObject::connect(tray->icon.get(), &QSystemTrayIcon::activated, tray->icon.get(),
                     [added](QSystemTrayIcon::ActivationReason reason) {
                         const std::intptr_t mouse = MouseMessageOf(reason);
                         if (added->withCallback && mouse != 0) {
                             PostMessage(added->owner, added->callbackMessage, added->id, mouse);
                         }
                     });
    tray->icon->show();
    ShutDownWithApplication();
    TrayIcons().push_back(std::move(tray));
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

void RemoveTrayIconsOf(const WindowObject* window) {
    auto& icons = TrayIcons();
    icons.erase(std::remove_if(icons.begin(), icons.end(),
                               [window](const auto& icon) { return icon->owner == window; }),
                icons.end());
}

void RemoveAllTrayIcons() { TrayIcons().clear(); }

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
