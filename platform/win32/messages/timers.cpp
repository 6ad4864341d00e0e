// Window timers: the Windows API's own.

#include "platform/timer.h"
#include "platform/win32/windows_api.h"

namespace platform {

std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t periodMs) {
    return ::SetTimer(win32::ToHwnd(window), id, periodMs, nullptr);
}

bool KillTimer(WindowHandle window, std::uintptr_t id) {
    return ::KillTimer(win32::ToHwnd(window), id) != FALSE;
}

}  // namespace platform
