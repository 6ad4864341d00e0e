// Windows and dialog items: the Windows API's own services under the
// platform's names.

#include "platform/win32/windows_api.h"

namespace platform {

using win32::FromHwnd;
using win32::ToHwnd;

bool QueryWorkArea(Rect* area) {
    return area != nullptr && SystemParametersInfoW(SPI_GETWORKAREA, 0, win32::ToRect(area), 0);
}

namespace {

// On the desktop a minimised dialog would be a taskbar button that no tap
// on the icon opens: the caption's minimise button hides the dialog (the
// dialog manager's OK), and so does a show command that minimises, the one
// a shortcut set to "Run: Minimized" starts the program with.
bool Minimises(std::int32_t command) {
    return command == SW_SHOWMINIMIZED || command == SW_MINIMIZE || command == SW_SHOWMINNOACTIVE ||
           command == SW_FORCEMINIMIZE;
}

bool Activates(int command) {
    return command != SW_SHOWNA && command != SW_SHOWNOACTIVATE && command != SW_HIDE;
}

// A command the Windows API does not document is taken as the plain show.
int DesktopShowCommand(std::int32_t command) {
    if (command < SW_HIDE || command > SW_MAX) return SW_SHOW;
    return Minimises(command) ? SW_HIDE : command;
}

}  // namespace

bool ShowWindow(WindowHandle window, std::int32_t command) {
    HWND target = ToHwnd(window);
    const int desktopCommand = DesktopShowCommand(command);
    const bool wasVisible = ::ShowWindow(target, desktopCommand) != FALSE;
    // A show never leaves the window minimised: another program may have
    // minimised it (the desktop's "show desktop" does), and Windows may
    // replace the first plain show of a process with the show command the
    // process was started with.
    if (desktopCommand != SW_HIDE && ::IsIconic(target)) {
        ::ShowWindow(target, Activates(desktopCommand) ? SW_RESTORE : SW_SHOWNOACTIVATE);
    }
    return wasVisible;
}

// A minimised window is not on the screen: a tap on the icon shows it
// rather than hiding it.
bool IsWindowVisible(WindowHandle window) {
    HWND target = ToHwnd(window);
    return ::IsWindowVisible(target) != FALSE && ::IsIconic(target) == FALSE;
}

bool DestroyWindow(WindowHandle window) { return ::DestroyWindow(ToHwnd(window)) != FALSE; }

std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t first,
                          std::intptr_t second) {
    return SendMessageW(ToHwnd(window), message, first, second);
}

bool SetDialogItemText(WindowHandle dialog, std::int32_t id, const char16_t* text) {
    return SetDlgItemTextW(ToHwnd(dialog), id, win32::Wide(text)) != FALSE;
}

WindowHandle GetDialogItem(WindowHandle dialog, std::int32_t id) {
    return FromHwnd(GetDlgItem(ToHwnd(dialog), id));
}

bool GetClientRect(WindowHandle window, Rect* rect) {
    return rect != nullptr && ::GetClientRect(ToHwnd(window), win32::ToRect(rect)) != FALSE;
}

}  // namespace platform
