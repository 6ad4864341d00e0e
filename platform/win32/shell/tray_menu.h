// The notification icon's menu: "表示" shows the dialog and brings it to the
// front, as a tap on the icon does when the dialog is hidden; "終了" ends the
// program the way the caption's close button does.
#pragma once

#include "platform/win32/windows_api.h"

namespace platform::win32 {

enum class TrayMenuChoice { None, Show, Exit };

// Opens the menu at the pointer for the icon's owner and carries out the
// choice; returns it.
TrayMenuChoice ShowTrayMenu(HWND owner);

// What a choice does to the owner, apart from the menu.
void CarryOut(HWND owner, TrayMenuChoice choice);

}  // namespace platform::win32
