// The window in front, not counting the shell's own windows.
//
// A click on a notification icon makes the taskbar the foreground window
// before the icon's owner hears of the click, so the dialog that was in
// front a moment before would never read as in front, and a tap could never
// hide it. So a window that gave the activation up to the shell counts as
// still in front while the shell holds it.
#pragma once

#include "platform/win32/windows_api.h"

namespace platform::win32 {

// Follows WM_ACTIVATE of the back end's dialogs.
void NoteActivation(HWND window, WPARAM first, LPARAM second);

// Whether `window` belongs to the shell's process (the taskbar's).
bool IsShellWindow(HWND window);

}  // namespace platform::win32
