// The notification-area icons, and the shell's messages about them.
//
// NotifyIcon hands the record to Shell_NotifyIconW as it stands: its fields
// are those of the shell's first record form, whose size the record gives.
// Every icon the program asks for is kept, added or not, so that it is added
// again when the taskbar is created again ("TaskbarCreated": the shell
// restarted, or started after the program) and can show its menu.
#pragma once

#include "platform/win32/windows_api.h"

namespace platform::win32 {

// Answers what the shell says to an icon's owner that the program's own
// procedure does not hear of: the taskbar created again, and a right click
// (or the menu key) on one of its icons, which opens the icon's menu. True
// when the message was one of them.
bool AnswerShellMessage(HWND owner, UINT message, WPARAM first, LPARAM second);

// The message the shell broadcasts when it has created the taskbar.
UINT TaskbarCreatedMessage();

}  // namespace platform::win32
