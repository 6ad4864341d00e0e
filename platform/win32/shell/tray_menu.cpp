#include "platform/win32/shell/tray_menu.h"

namespace platform::win32 {
namespace {

constexpr UINT_PTR MENU_SHOW = 1;
constexpr UINT_PTR MENU_EXIT = 2;

HMENU MakeMenu() {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return nullptr;
    AppendMenuW(menu, MF_STRING, MENU_SHOW, Wide(u"表示"));
    AppendMenuW(menu, MF_STRING, MENU_EXIT, Wide(u"終了"));
    SetMenuDefaultItem(menu, MENU_SHOW, FALSE);
    return menu;
}

}  // namespace

TrayMenuChoice ShowTrayMenu(HWND owner) {
    HMENU menu = MakeMenu();
    if (menu == nullptr) return TrayMenuChoice::None;
    POINT at{};
    GetCursorPos(&at);
    // Without the owner in front the menu would stay open when the user
    // clicks elsewhere; the message posted after it lets the menu close for
    // good (both as the shell's documentation asks).
    ::SetForegroundWindow(owner);
    const UINT side = GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    // The choice is returned, never sent: a command 1 or 2 reaching the
    // dialog would mean OK or cancel.
    const UINT_PTR chosen = TrackPopupMenuEx(
        menu, side | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y,
        owner, nullptr);
    PostMessageW(owner, WM_NULL, 0, 0);
    DestroyMenu(menu);
    const TrayMenuChoice choice = chosen == MENU_SHOW   ? TrayMenuChoice::Show
                                  : chosen == MENU_EXIT ? TrayMenuChoice::Exit
                                                        : TrayMenuChoice::None;
    CarryOut(owner, choice);
    return choice;
}

void CarryOut(HWND owner, TrayMenuChoice choice) {
    switch (choice) {
    case TrayMenuChoice::Show:
        platform::ShowWindow(FromHwnd(owner), SHOW_SHOW);
        ::SetForegroundWindow(owner);
        break;
    case TrayMenuChoice::Exit:
        // The close button's own request: the dialog closes, removes its
        // icon and ends the program with 0.
        PostMessageW(owner, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case TrayMenuChoice::None:
        break;
    }
}

}  // namespace platform::win32
