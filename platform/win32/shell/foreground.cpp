#include "platform/win32/shell/foreground.h"

namespace platform::win32 {

// The window that gave the activation up to the shell, until it is active
// again or the activation moves on.
HWND yieldedToShell = nullptr;

bool IsShellWindow(HWND window) {
    if (window == nullptr) return false;
    HWND taskbar = FindWindowW(Wide(u"Shell_TrayWnd"), nullptr);
    DWORD shellProcess = 0;
    DWORD windowProcess = 0;
    if (taskbar == nullptr || GetWindowThreadProcessId(taskbar, &shellProcess) == 0) return false;
    return GetWindowThreadProcessId(window, &windowProcess) != 0 && windowProcess == shellProcess;
}

void NoteActivation(HWND window, WPARAM first, LPARAM second) {
    if (LOWORD(first) != WA_INACTIVE) {
        yieldedToShell = nullptr;
        return;
    }
    // The window activated next is named only when it is of this thread;
    // otherwise it is in front already.
    HWND next = reinterpret_cast<HWND>(second);
    if (next == nullptr) next = ::GetForegroundWindow();
    yieldedToShell = IsShellWindow(next) ? window : nullptr;
}

}  // namespace platform::win32

namespace platform {

WindowHandle GetForegroundWindow() {
    HWND front = ::GetForegroundWindow();
    if (win32::yieldedToShell != nullptr && ::IsWindowVisible(win32::yieldedToShell) &&
        (front == nullptr || win32::IsShellWindow(front))) {
        front = win32::yieldedToShell;
    }
    return win32::FromHwnd(front);
}

}  // namespace platform
