#include "platform/win32/shell/foreground.h"

#include <dwmapi.h>

namespace platform::win32 {

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    return window != nullptr && GetWindowThreadProcessId(window, &process) != 0 ? process : 0;
}

namespace {

// Windows 10 keeps the windows of suspended apps visible but cloaked.
bool IsCloaked(HWND window) {
    DWORD cloaked = 0;
    return SUCCEEDED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked)) &&
           cloaked != 0;
}

bool IsOrdinary(HWND window, DWORD shell) {
    return ::IsWindowVisible(window) && (shell == 0 || ProcessOf(window) != shell) &&
           !(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) && !IsCloaked(window);
}

}  // namespace

DWORD ShellProcess() { return ProcessOf(FindWindowW(Wide(u"Shell_TrayWnd"), nullptr)); }

HWND HighestOrdinaryWindow() {
    const DWORD shell = ShellProcess();
    for (HWND window = GetTopWindow(nullptr); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (IsOrdinary(window, shell)) return window;
    }
    return nullptr;
}

}  // namespace platform::win32

namespace platform {

WindowHandle GetForegroundWindow() {
    HWND front = ::GetForegroundWindow();
    const DWORD shell = win32::ShellProcess();
    if (front == nullptr || (shell != 0 && win32::ProcessOf(front) == shell)) {
        front = win32::HighestOrdinaryWindow();
    }
    return win32::FromHwnd(front);
}

}  // namespace platform
