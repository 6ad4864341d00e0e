// The notification-area icon: added while the status dialog exists, its tip
// the window title, a tap on it showing or hiding the dialog.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace app {

// The icon's callback message, private to the status dialog.
constexpr std::uint32_t WM_TRAYNOTIFY = 0x465;

// The icon's identifier; it is also the number of the icon resource loaded.
constexpr std::uint32_t TRAY_ICON_ID = 128;

// Side of the small icon shown in the notification area.
constexpr std::int32_t TRAY_ICON_PIXELS = 16;

// Adds the icon owned by `window`, showing `tip` (null or empty: no tip; a
// tip longer than the record holds is cut). True when the platform took it.
bool AddTrayIcon(platform::InstanceHandle instance, platform::WindowHandle window,
                 std::uint32_t iconId, const char16_t* tip);

// True when the platform had such an icon and removed it.
bool RemoveTrayIcon(platform::WindowHandle window, std::uint32_t iconId);

// A tap on the icon: hides the dialog when it is visible and in front,
// otherwise shows it and brings it to the front.
void ToggleStatusDialog(platform::WindowHandle dialog);

}  // namespace app
