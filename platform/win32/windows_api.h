// The Windows API as the back end sees it. Every file of platform/win32 and
// of its tests includes this header instead of <windows.h>.
//
// The platform headers are read first: <windows.h> defines macros named like
// several of their constants (WM_TIMER, ICON_BIG, IMAGE_ICON, with the same
// values) and of their services (DrawText, SendMessage, LoadIcon ...). The
// service macros are removed again below, so the back end defines the
// services under their own names and calls the Windows API by its explicit
// wide names (DrawTextW, SendMessageW).
#pragma once

#include "platform/drawing.h"
#include "platform/icon.h"
#include "platform/library.h"
#include "platform/messages.h"
#include "platform/types.h"
#include "platform/window.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef DispatchMessage
#undef DrawText
#undef LoadIcon
#undef LoadImage
#undef LoadLibrary
#undef PostMessage
#undef SendMessage
#undef TextOut

#include <cstddef>

namespace platform::win32 {

// Texts are UTF-16 on both sides; only the character type's name differs.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
inline const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline const char16_t* Utf16(const wchar_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}

// The platform's handles are the Windows API's handles under another type.
inline HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
inline WindowHandle FromHwnd(HWND window) { return reinterpret_cast<WindowHandle>(window); }
inline HDC ToHdc(DeviceContext context) { return reinterpret_cast<HDC>(context); }
inline DeviceContext FromHdc(HDC context) { return reinterpret_cast<DeviceContext>(context); }
inline HINSTANCE ToHinstance(InstanceHandle instance) {
    return reinterpret_cast<HINSTANCE>(const_cast<Module*>(instance));
}
inline InstanceHandle FromHinstance(HINSTANCE instance) {
    return reinterpret_cast<InstanceHandle>(instance);
}
inline HICON ToHicon(IconHandle icon) { return reinterpret_cast<HICON>(icon); }
inline IconHandle FromHicon(HICON icon) { return reinterpret_cast<IconHandle>(icon); }
inline HMODULE ToHmodule(LibraryHandle library) { return reinterpret_cast<HMODULE>(library); }
inline LibraryHandle FromHmodule(HMODULE library) {
    return reinterpret_cast<LibraryHandle>(library);
}

// Records that the Windows API reads and writes in place.
static_assert(sizeof(Rect) == sizeof(RECT));
static_assert(offsetof(Rect, left) == offsetof(RECT, left));
static_assert(offsetof(Rect, top) == offsetof(RECT, top));
static_assert(offsetof(Rect, right) == offsetof(RECT, right));
static_assert(offsetof(Rect, bottom) == offsetof(RECT, bottom));
inline RECT* ToRect(Rect* rect) { return reinterpret_cast<RECT*>(rect); }
inline const RECT* ToRect(const Rect* rect) { return reinterpret_cast<const RECT*>(rect); }

}  // namespace platform::win32
