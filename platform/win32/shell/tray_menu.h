// The notification icon's menu on Windows: the shared entries
// (platform/shared/tray_menu.h) as a pop-up menu at the pointer.
#pragma once

#include "platform/win32/windows_api.h"

namespace platform::win32 {

// Opens the menu at the pointer for the icon's owner and carries out the
// entry chosen; returns its identifier, 0 when none was chosen.
int ShowTrayMenu(HWND owner);

}  // namespace platform::win32
