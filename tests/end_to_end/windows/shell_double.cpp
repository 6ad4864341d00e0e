// The Windows shell's part in the end-to-end test. Wine's shell keeps its
// icons and never announces a new taskbar, where Explorer loses every icon
// when it restarts and then broadcasts "TaskbarCreated"; this plays that.
// And it tells which window Windows has in front, which under Wine without
// a window manager need not be the window X has focused.
//
//   shell_double forget     the shell forgets the program's icon
//   shell_double announce   the shell announces its new taskbar
//   shell_double front      is the program's dialog the foreground window?
//
// Exits 0 when it did it (or the answer is yes), 1 otherwise. A
// program without a console: Wine would give a console program a console
// window of its own, which would take the keyboard from the dialog.
#include "resources/window_title.h"

#include "platform/win32/windows_api.h"

#include <shellapi.h>

#include <string_view>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    using platform::win32::Wide;
    const std::wstring_view request = commandLine;
    if (request == L"announce") {
        const UINT created = RegisterWindowMessageW(Wide(u"TaskbarCreated"));
        return PostMessageW(HWND_BROADCAST, created, 0, 0) ? 0 : 1;
    }
    HWND dialog = FindWindowW(nullptr, Wide(resources::WINDOW_TITLE));
    if (dialog == nullptr) return 1;
    if (request == L"front") return GetForegroundWindow() == dialog ? 0 : 1;
    if (request != L"forget") return 1;
    NOTIFYICONDATAW icon{};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = dialog;
    icon.uID = 128;  // the program's icon
    return Shell_NotifyIconW(NIM_DELETE, &icon) ? 0 : 1;
}
