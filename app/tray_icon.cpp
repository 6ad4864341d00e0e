#include "app/tray_icon.h"

#include <algorithm>
#include <cstring>

#include "platform/icon.h"
#include "platform/notify_icon.h"
#include "platform/wide_text.h"
#include "platform/window.h"

namespace app {

namespace {

// The fields that name an icon: all that removal needs, and where adding
// starts. The size is the record's own size on this build; with 64-bit
// handles it is larger than the 152 bytes of a 32-bit build, and the
// service expects the size of the record it was built with.
platform::NotifyIconRecord IconRecord(platform::WindowHandle window, std::uint32_t iconId) {
    platform::NotifyIconRecord record;
    std::memset(&record, 0, sizeof record);
    record.size = sizeof record;
    record.window = window;
    record.id = iconId;
    return record;
}

// Copies as much of `tip` as the field holds, always leaving its NUL.
void CopyTip(platform::NotifyIconRecord& record, const char16_t* tip, std::size_t length) {
    const std::size_t kept = std::min(length, platform::NOTIFY_TIP_CHARS - 1);
    std::copy_n(tip, kept, record.tip);
    record.tip[kept] = u'\0';
}

}  // namespace

bool AddTrayIcon(platform::InstanceHandle instance, platform::WindowHandle window,
                 std::uint32_t iconId, const char16_t* tip) {
    platform::NotifyIconRecord record = IconRecord(window, iconId);
    const std::size_t tipLength = platform::WideLength(tip);
    record.flags = platform::NOTIFY_FLAG_MESSAGE | platform::NOTIFY_FLAG_ICON;
    if (tipLength != 0) record.flags |= platform::NOTIFY_FLAG_TIP;
    record.callbackMessage = WM_TRAYNOTIFY;
    record.icon = platform::LoadImage(instance, iconId, platform::IMAGE_ICON, TRAY_ICON_PIXELS,
                                      TRAY_ICON_PIXELS, 0);
    if (tipLength != 0) CopyTip(record, tip, tipLength);
    return platform::NotifyIcon(platform::NOTIFY_ADD, &record);
}

bool RemoveTrayIcon(platform::WindowHandle window, std::uint32_t iconId) {
    const platform::NotifyIconRecord record = IconRecord(window, iconId);
    return platform::NotifyIcon(platform::NOTIFY_DELETE, &record);
}

void ToggleStatusDialog(platform::WindowHandle dialog) {
    if (platform::IsWindowVisible(dialog) && platform::GetForegroundWindow() == dialog) {
        platform::ShowWindow(dialog, platform::SHOW_HIDE);
        return;
    }
    // A dialog that is visible but covered comes to the front rather than
    // disappearing: the tap was meant to reach it.
    platform::ShowWindow(dialog, platform::SHOW_SHOW);
    platform::SetForegroundWindow(dialog);
}

}  // namespace app
