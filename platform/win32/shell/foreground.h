// The window in front, not counting the shell's own windows.
//
// A click on a notification icon makes the taskbar the foreground window
// before the icon's owner hears of the click, so the dialog that was in
// front a moment before would never read as in front, and a tap could never
// hide it. While the shell (or nobody) holds the foreground, the window in
// front is the highest ordinary window: visible, not the shell's, not kept
// on top of all others, not hidden by the system.
#pragma once

#include "platform/win32/windows_api.h"

namespace platform::win32 {

// The process of `window`; 0 for none.
DWORD ProcessOf(HWND window);

// The process of the taskbar; 0 when there is none.
DWORD ShellProcess();

// The highest visible window of the desktop that is none of the shell's,
// not topmost and not cloaked; null when there is none.
HWND HighestOrdinaryWindow();

}  // namespace platform::win32
