// Finding a window by its title, in this process or another, and bringing
// a window to the front: the Windows API's own services. A window of another
// process comes to the front when this process may bring it there, which a
// program just started by the user, or answering a click on its
// notification icon, may.

#include "platform/win32/windows_api.h"

namespace platform {

WindowHandle FindTopLevelWindow(const char16_t* title) {
    return win32::FromHwnd(FindWindowW(nullptr, win32::Wide(title)));
}

bool SetForegroundWindow(WindowHandle window) {
    return ::SetForegroundWindow(win32::ToHwnd(window)) != FALSE;
}

}  // namespace platform
