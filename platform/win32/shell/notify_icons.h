// The notification-area icons, and the shell's messages about them.
//
// NotifyIcon hands the record to Shell_NotifyIconW as it stands: its fields
// are those of the shell's first record form, whose size the record gives;
// only the icon is the same icon group's image at the size the shell draws.
// Every icon the program asks for is kept, added or not, so that it is added
// again when the taskbar is created again ("TaskbarCreated": the shell
// restarted, or started after the program) and can show its menu. An add
// the shell refused is tried again on a timer for some minutes: at logon
// the shell can refuse an icon, or answer too late, after it has announced
// its taskbar.
#pragma once

#include "platform/win32/windows_api.h"

#include <shellapi.h>

namespace platform::win32 {

// Answers what the shell says to an icon's owner that the program's own
// procedure does not hear of: the taskbar created again, and a right click
// (or the menu key) on one of its icons, which opens the icon's menu. True
// when the message was one of them.
bool AnswerShellMessage(HWND owner, UINT message, WPARAM first, LPARAM second);

// The message the shell broadcasts when it has created the taskbar.
UINT TaskbarCreatedMessage();

// The side of the icons the notification area draws: the small icon size
// at the DPI of the monitor that holds the taskbar.
int NotificationIconSide();

// When refused icons are offered again: `quickCount` times every `quickMs`,
// then `slowCount` times every `slowMs`; then no more until the taskbar is
// created again.
struct AddRetrySchedule {
    UINT quickMs;
    int quickCount;
    UINT slowMs;
    int slowCount;
};
// Every 2 s for the first minute, then every 20 s for four more.
constexpr AddRetrySchedule ADD_RETRY_SCHEDULE{2000, 30, 20000, 12};

// The shell's notification icon service, and the schedule of the retries:
// the shell's own and ADD_RETRY_SCHEDULE, unless a test puts a double of
// the shell or a shorter schedule in their place (null: the shell's own).
using ShellNotifyService = BOOL(WINAPI*)(DWORD operation, PNOTIFYICONDATAW data);
void UseShellNotifyService(ShellNotifyService service);
void UseAddRetrySchedule(const AddRetrySchedule& schedule);

}  // namespace platform::win32
