#include "platform/win32/shell/notify_icons.h"

#include <shellapi.h>
#include <shellscalingapi.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

#include "platform/notify_icon.h"
#include "platform/win32/resources/icon_sizes.h"
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

struct WantedIcon {
    NotifyIconRecord record;
    bool inShell;  // the shell took it
};

// The icons the program has asked for and not removed.
std::vector<WantedIcon>& WantedIcons() {
    static std::vector<WantedIcon> icons;
    return icons;
}

auto FindWanted(HWND owner, UINT id) {
    auto& icons = WantedIcons();
    return std::find_if(icons.begin(), icons.end(), [&](const WantedIcon& icon) {
        return win32::ToHwnd(icon.record.window) == owner && icon.record.id == id;
    });
}

bool AllInShell() {
    const auto& icons = WantedIcons();
    return std::all_of(icons.begin(), icons.end(),
                       [](const WantedIcon& icon) { return icon.inShell; });
}

win32::ShellNotifyService shellService = Shell_NotifyIconW;
win32::AddRetrySchedule retrySchedule = win32::ADD_RETRY_SCHEDULE;

// The icon the shell is given: the same icon group's image at the side the
// notification area draws (20 pixels at 125 %, 32 at 200 %), read once for
// each side and kept, as the shell shows it for as long as the program runs.
HICON ShellIcon(IconHandle icon) {
    struct Made {
        win32::IconSource source;
        int side;
        HICON icon;
    };
    static std::vector<Made> made;
    HICON given = win32::ToHicon(icon);
    const std::optional<win32::IconSource> source = win32::IconSourceOf(given);
    if (!source) return given;
    const int side = win32::NotificationIconSide();
    for (const Made& known : made) {
        if (known.source.instance == source->instance && known.source.id == source->id &&
            known.side == side) {
            return known.icon;
        }
    }
    HICON sized = win32::LoadIconAtSide(source->instance, source->id, side);
    if (sized == nullptr) return given;
    made.push_back({*source, side, sized});
    return sized;
}

bool CallShell(std::uint32_t operation, NotifyIconRecord record) {
    if (record.flags & NOTIFY_FLAG_ICON) record.icon = win32::FromHicon(ShellIcon(record.icon));
    return shellService(operation, reinterpret_cast<NOTIFYICONDATAW*>(&record)) != FALSE;
}

// A program that runs with more rights than the shell would not hear the
// broadcast without this.
void HearTaskbarCreated(HWND owner) {
    ChangeWindowMessageFilterEx(owner, win32::TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
}

void Remember(std::uint32_t operation, const NotifyIconRecord& record, bool done) {
    auto& icons = WantedIcons();
    const auto wanted = FindWanted(win32::ToHwnd(record.window), record.id);
    if (operation == NOTIFY_DELETE) {
        if (wanted != icons.end()) icons.erase(wanted);
    } else if (wanted != icons.end()) {
        if (operation == NOTIFY_ADD) *wanted = {record, done};
    } else if (operation == NOTIFY_ADD) {
        icons.push_back({record, done});
        HearTaskbarCreated(win32::ToHwnd(record.window));
    }
}

// The retries of refused adds: a timer of the thread, so that the program's
// dialog procedure, which refreshes on any timer of its own, never hears of
// it. It runs only while an icon waits.
UINT_PTR retryTimer = 0;
int retriesMade = 0;

void CALLBACK RetryAdds(HWND, UINT, UINT_PTR, DWORD);

UINT RetryDelay(int retry) {
    return retry < retrySchedule.quickCount ? retrySchedule.quickMs : retrySchedule.slowMs;
}

void StopRetrying() {
    if (retryTimer != 0) KillTimer(nullptr, retryTimer);
    retryTimer = 0;
}

void StartRetrying() {
    retriesMade = 0;
    if (retrySchedule.quickCount + retrySchedule.slowCount <= 0) return StopRetrying();
    retryTimer = SetTimer(nullptr, retryTimer, RetryDelay(0), RetryAdds);
}

// An icon the shell took after all, answering too late, is there to be
// modified; adding it again would fail for good.
void Offer(WantedIcon& icon) {
    icon.inShell = CallShell(NIM_MODIFY, icon.record) || CallShell(NIM_ADD, icon.record);
}

void CALLBACK RetryAdds(HWND, UINT, UINT_PTR, DWORD) {
    for (WantedIcon& icon : WantedIcons()) {
        if (!icon.inShell) Offer(icon);
    }
    ++retriesMade;
    if (AllInShell() || retriesMade >= retrySchedule.quickCount + retrySchedule.slowCount) {
        StopRetrying();
    } else if (RetryDelay(retriesMade) != RetryDelay(retriesMade - 1)) {
        retryTimer = SetTimer(nullptr, retryTimer, RetryDelay(retriesMade), RetryAdds);
    }
}

void AddIconsAgain(HWND owner) {
    bool refused = false;
    for (WantedIcon& icon : WantedIcons()) {
        if (win32::ToHwnd(icon.record.window) != owner) continue;
        icon.inShell = CallShell(NIM_ADD, icon.record);
        refused = refused || !icon.inShell;
    }
    if (refused) StartRetrying();
}

// With the first record form the shell sends the mouse message itself as
// the second parameter; the menu key arrives as a context-menu message.
bool IsMenuRequest(HWND owner, UINT message, WPARAM first, LPARAM second) {
    if (second != WM_RBUTTONUP && second != WM_CONTEXTMENU) return false;
    const auto wanted = FindWanted(owner, static_cast<UINT>(first));
    return wanted != WantedIcons().end() && wanted->record.callbackMessage == message;
}

}  // namespace

bool NotifyIcon(std::uint32_t operation, const NotifyIconRecord* record) {
    if (record == nullptr) return false;
    const bool done = CallShell(operation, *record);
    Remember(operation, *record, done);
    if (AllInShell()) {
        StopRetrying();
    } else if (operation == NOTIFY_ADD && !done) {
        StartRetrying();
    }
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

int NotificationIconSide() {
    HWND taskbar = FindWindowW(Wide(u"Shell_TrayWnd"), nullptr);
    HMONITOR monitor = taskbar != nullptr ? MonitorFromWindow(taskbar, MONITOR_DEFAULTTOPRIMARY)
                                          : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    UINT dpi = 0, unused = 0;
    if (FAILED(GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpi, &unused)) || dpi == 0) {
        dpi = USER_DEFAULT_SCREEN_DPI;
    }
    const int side = GetSystemMetricsForDpi(SM_CXSMICON, dpi);
    return side > 0 ? side : GetSystemMetrics(SM_CXSMICON);
}

void UseShellNotifyService(ShellNotifyService service) {
    shellService = service != nullptr ? service : Shell_NotifyIconW;
}

void UseAddRetrySchedule(const AddRetrySchedule& schedule) { retrySchedule = schedule; }

}  // namespace win32
}  // namespace platform
