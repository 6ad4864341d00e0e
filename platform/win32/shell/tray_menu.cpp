#include "platform/win32/shell/tray_menu.h"

#include <string>

#include "platform/shared/tray_menu.h"

namespace platform::win32 {
namespace {

HMENU MakeMenu() {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return nullptr;
    for (const shared::TrayMenuEntry& entry : shared::TRAY_MENU_ENTRIES) {
        const std::u16string label(entry.label);
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(entry.id), Wide(label.c_str()));
    }
    SetMenuDefaultItem(menu, shared::TRAY_MENU_SHOW, FALSE);
    return menu;
}

}  // namespace

int ShowTrayMenu(HWND owner) {
    HMENU menu = MakeMenu();
    if (menu == nullptr) return 0;
    POINT at{};
    GetCursorPos(&at);
    // Without the owner in front the menu would stay open when the user
    // clicks elsewhere; the message posted after it lets the menu close for
    // good (both as the shell's documentation asks).
    ::SetForegroundWindow(owner);
    const UINT side = GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    // The choice is returned, never sent: a command 1 or 2 reaching the
    // dialog would mean OK or cancel.
    const auto chosen = static_cast<int>(TrackPopupMenuEx(
        menu, side | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y,
        owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    DestroyMenu(menu);
    shared::CarryOutTrayMenuEntry(FromHwnd(owner), chosen);
    return chosen;
}

}  // namespace platform::win32
