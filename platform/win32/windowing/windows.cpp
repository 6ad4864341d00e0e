// Windows and dialog items: the Windows API's own services under the
// platform's names.

#include "platform/win32/windows_api.h"

namespace platform {

using win32::FromHwnd;
using win32::ToHwnd;

bool QueryWorkArea(Rect* area) {
    return area != nullptr && SystemParametersInfoW(SPI_GETWORKAREA, 0, win32::ToRect(area), 0);
}

bool ShowWindow(WindowHandle window, std::int32_t command) {
    return ::ShowWindow(ToHwnd(window), command) != FALSE;
}

bool IsWindowVisible(WindowHandle window) { return ::IsWindowVisible(ToHwnd(window)) != FALSE; }

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
