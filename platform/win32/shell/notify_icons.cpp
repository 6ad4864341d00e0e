#include "platform/win32/shell/notify_icons.h"

#include <shellapi.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

#include "platform/notify_icon.h"
#include "platform/win32/shell/tray_menu.h"

namespace platform {

static_assert(sizeof(NotifyIconRecord) == NOTIFYICONDATAW_V1_SIZE);
static_assert(offsetof(NotifyIconRecord, window) == offsetof(NOTIFYICONDATAW, hWnd));
static_assert(offsetof(NotifyIconRecord, id) == offsetof(NOTIFYICONDATAW, uID));
static_assert(offsetof(NotifyIconRecord, flags) == offsetof(NOTIFYICONDATAW, uFlags));
static_assert(offsetof(NotifyIconRecord, callbackMessage) ==
              offsetof(NOTIFYICONDATAW, uCallbackMessage));
static_assert(offsetof(NotifyIconRecord, icon) == offsetof(NOTIFYICONDATAW, hIcon));
static_assert(offsetof(NotifyIconRecord, tip) == offsetof(NOTIFYICONDATAW, szTip));
static_assert(NOTIFY_ADD == NIM_ADD && NOTIFY_DELETE == NIM_DELETE);

namespace {

// The icons the program has asked for and not removed.
std::vector<NotifyIconRecord>& WantedIcons() {
    static std::vector<NotifyIconRecord> icons;
    return icons;
}

auto FindWanted(HWND owner, UINT id) {
    auto& icons = WantedIcons();
    return std::find_if(icons.begin(), icons.end(), [&](const NotifyIconRecord& icon) {
        return win32::ToHwnd(icon.window) == owner && icon.id == id;
    });
}

bool CallShell(std::uint32_t operation, const NotifyIconRecord& record) {
    auto* data = reinterpret_cast<NOTIFYICONDATAW*>(const_cast<NotifyIconRecord*>(&record));
    return Shell_NotifyIconW(operation, data) != FALSE;
}

// A program that runs with more rights than the shell would not hear the
// broadcast without this.
void HearTaskbarCreated(HWND owner) {
    ChangeWindowMessageFilterEx(owner, win32::TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
}

void Remember(std::uint32_t operation, const NotifyIconRecord& record) {
    auto& icons = WantedIcons();
    const auto wanted = FindWanted(win32::ToHwnd(record.window), record.id);
    if (operation == NOTIFY_DELETE) {
        if (wanted != icons.end()) icons.erase(wanted);
    } else if (wanted != icons.end()) {
        if (operation == NOTIFY_ADD) *wanted = record;
    } else if (operation == NOTIFY_ADD) {
        icons.push_back(record);
        HearTaskbarCreated(win32::ToHwnd(record.window));
    }
}

void AddIconsAgain(HWND owner) {
    for (const NotifyIconRecord& icon : WantedIcons()) {
        if (win32::ToHwnd(icon.window) == owner) CallShell(NOTIFY_ADD, icon);
    }
}

// With the first record form the shell sends the mouse message itself as
// the second parameter; the menu key arrives as a context-menu message.
bool IsMenuRequest(HWND owner, UINT message, WPARAM first, LPARAM second) {
    if (second != WM_RBUTTONUP && second != WM_CONTEXTMENU) return false;
    const auto wanted = FindWanted(owner, static_cast<UINT>(first));
    return wanted != WantedIcons().end() && wanted->callbackMessage == message;
}

}  // namespace

bool NotifyIcon(std::uint32_t operation, const NotifyIconRecord* record) {
    if (record == nullptr) return false;
    const bool done = CallShell(operation, *record);
    Remember(operation, *record);
    return done;
}

namespace win32 {

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(Wide(u"TaskbarCreated"));
    return message;
}

bool AnswerShellMessage(HWND owner, UINT message, WPARAM first, LPARAM second) {
    if (message != 0 && message == TaskbarCreatedMessage()) {
        AddIconsAgain(owner);
        return true;
    }
    if (IsMenuRequest(owner, message, first, second)) {
        ShowTrayMenu(owner);
        return true;
    }
    return false;
}

}  // namespace win32
}  // namespace platform
