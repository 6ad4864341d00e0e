// The program as a Windows user starts it: every start-up show command a
// shortcut or another program can give, then taps on the icon; and an icon
// that the shell refuses at first, or for good, as it can at logon.
// The portable headers come before the Windows API's, whose macros share
// some of their names.
#include "app/application.h"
#include "app/tray_icon.h"
#include "resources/window_title.h"

#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <climits>

#include "platform/win32/shell/notify_icons.h"
#include "tests/platform/win32/win32_test_support.h"

namespace {

using namespace win32_test;

constexpr DWORD REACTION_MS = 5000;

HWND RunningDialog() {
    return FindWindowW(nullptr, platform::win32::Wide(resources::WINDOW_TITLE));
}

// Whether the shell shows the program's icon: only an icon it has can be
// modified. Asked of the shell itself, never of a double.
bool ShellHasIcon(HWND owner) {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = owner;
    data.uID = app::TRAY_ICON_ID;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

// A press on the icon, as the shell reports it to the icon's owner.
void TapIcon(HWND dialog) {
    PostMessageW(dialog, app::WM_TRAYNOTIFY, app::TRAY_ICON_ID, WM_LBUTTONDOWN);
    PumpUntil([] { return false; }, 100, dialog);
}

bool ShownInFront(HWND dialog) {
    return IsWindowVisible(dialog) && !IsIconic(dialog) && GetForegroundWindow() == dialog;
}

// Another program's window, in front before the program starts.
class OtherWindow {
public:
    OtherWindow() {
        window_ =
            CreateWindowExW(0, L"STATIC", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300,
                            300, 300, 120, nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(window_);
        PumpUntil([this] { return GetForegroundWindow() == window_; }, REACTION_MS);
    }
    ~OtherWindow() { DestroyWindow(window_); }
    HWND Handle() const { return window_; }

private:
    HWND window_ = nullptr;
};

// One start of the program in this process: StartInstance as the entry
// function calls it, and the dialog destroyed again at the end.
class ProgramStart : public testing::Test {
protected:
    bool Start(std::int32_t showCommand) {
        app::Application application{Executable(), showCommand, nullptr};
        const bool running = app::StartInstance(application);
        if (running) dialog_ = platform::win32::ToHwnd(application.dialog);
        PumpUntil([] { return false; }, 100, dialog_);
        return running;
    }
    void TearDown() override {
        if (IsWindow(dialog_)) DestroyWindow(dialog_);
        PumpUntil([] { return RunningDialog() == nullptr; }, REACTION_MS);
        platform::win32::UseShellNotifyService(nullptr);
        platform::win32::UseAddRetrySchedule(platform::win32::ADD_RETRY_SCHEDULE);
    }
    HWND dialog_ = nullptr;
};

// Each row: a start-up show command and whether the dialog shows. Hidden,
// one tap shows it in front; shown, it is in front or covered, and taps
// bring it to the front as they alternate (one hides a dialog in front).
struct StartRow {
    std::int32_t command;
    const char* name;
    bool shown;
};

const StartRow START_ROWS[] = {
    {SW_HIDE, "SW_HIDE", false},
    {SW_SHOWNORMAL, "SW_SHOWNORMAL", true},
    {SW_SHOWMINIMIZED, "SW_SHOWMINIMIZED: hidden, in the notification area", false},
    {SW_SHOWMAXIMIZED, "SW_SHOWMAXIMIZED", true},
    {SW_SHOWNOACTIVATE, "SW_SHOWNOACTIVATE", true},
    {SW_SHOW, "SW_SHOW", true},
    {SW_MINIMIZE, "SW_MINIMIZE: hidden", false},
    {SW_SHOWMINNOACTIVE, "SW_SHOWMINNOACTIVE (Run: Minimized): hidden", false},
    {SW_SHOWNA, "SW_SHOWNA", true},
    {SW_RESTORE, "SW_RESTORE", true},
    {SW_SHOWDEFAULT, "SW_SHOWDEFAULT", true},
    {SW_FORCEMINIMIZE, "SW_FORCEMINIMIZE: hidden", false},
    // Outside the documented range: the plain show command.
    {-1, "-1", true},
    {12, "12", true},
    {INT_MAX, "INT_MAX", true},
    {INT_MIN, "INT_MIN", true},
};

TEST_F(ProgramStart, EveryShowCommandLeavesADialogThatATapBringsToTheFront) {
    for (const StartRow& row : START_ROWS) {
        SCOPED_TRACE(row.name);
        {
            const OtherWindow other;
            ASSERT_TRUE(Start(row.command));
            EXPECT_EQ(IsWindowVisible(dialog_) != FALSE, row.shown);
            EXPECT_FALSE(IsIconic(dialog_)) << "never minimised";
            EXPECT_TRUE(ShellHasIcon(dialog_)) << "the icon is there in every case";
            TapIcon(dialog_);
            PumpUntil([&] { return ShownInFront(dialog_) || !IsWindowVisible(dialog_); },
                      REACTION_MS, dialog_);
            if (row.shown && !ShownInFront(dialog_)) TapIcon(dialog_);
            EXPECT_TRUE(PumpUntil([&] { return ShownInFront(dialog_); }, REACTION_MS, dialog_))
                << "visible " << IsWindowVisible(dialog_) << ", minimised " << IsIconic(dialog_);
            RECT frame{};
            GetWindowRect(dialog_, &frame);
            EXPECT_GT(frame.left, -30000) << "on the screen, not parked as a minimised window";
        }
        DestroyWindow(dialog_);
        PumpUntil([] { return RunningDialog() == nullptr; }, REACTION_MS);
    }
}

// Another program minimises the dialog (the desktop's "show desktop" does):
// a tap, the icon's menu or a second start brings it back.
TEST_F(ProgramStart, ADialogMinimisedFromOutsideComesBackWithATap) {
    ASSERT_TRUE(Start(SW_SHOWNORMAL));
    ::ShowWindow(dialog_, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(dialog_));
    TapIcon(dialog_);
    EXPECT_TRUE(PumpUntil([&] { return ShownInFront(dialog_); }, REACTION_MS, dialog_));

    ::ShowWindow(dialog_, SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(IsIconic(dialog_));
    EXPECT_FALSE(Start(SW_SHOWNORMAL)) << "a second start hands over to this one";
    EXPECT_TRUE(PumpUntil([&] { return ShownInFront(dialog_); }, REACTION_MS, dialog_));
}

// A double of the shell: it refuses the first adds it is asked for, and
// takes (or hands on to the real shell) everything else.
struct ShellDouble {
    int refusals = 0;           // adds still to refuse
    bool takesRefused = false;  // a refused add reaches the shell all the same (a late answer)
    int adds = 0;               // adds asked for
};
ShellDouble shell;

BOOL WINAPI RefusingShell(DWORD operation, PNOTIFYICONDATAW data) {
    if (operation == NIM_ADD) {
        ++shell.adds;
        if (shell.refusals != 0) {
            if (shell.refusals > 0) --shell.refusals;
            if (shell.takesRefused) Shell_NotifyIconW(operation, data);
            return FALSE;
        }
    }
    return Shell_NotifyIconW(operation, data);
}

// Short, so that the test sees the whole schedule run out.
constexpr platform::win32::AddRetrySchedule SHORT_SCHEDULE{40, 3, 80, 2};
constexpr int EVERY_RETRY = 3 + 2;

// Adds asked for, once nothing has been asked for over many retry periods.
int AddsWhenQuiet(HWND dialog) {
    int heard = -1;
    while (heard != shell.adds) {
        heard = shell.adds;
        PumpUntil([] { return false; }, 10 * SHORT_SCHEDULE.slowMs, dialog);
    }
    return heard;
}

struct RefusalRow {
    const char* name;
    int refusals;  // -1: every add
    bool takesRefused;
    bool iconAtLast;
    int adds;  // in all, counting the first
};

const RefusalRow REFUSAL_ROWS[] = {
    {"the first three adds refused", 3, false, true, 4},
    {"the first add taken, but answered as refused", 1, true, true, 1},
    {"every add refused", -1, false, false, 1 + EVERY_RETRY},
};

TEST_F(ProgramStart, ARefusedIconIsAddedAgainUntilTheShellTakesItOrTheRetriesRunOut) {
    for (const RefusalRow& row : REFUSAL_ROWS) {
        SCOPED_TRACE(row.name);
        shell = ShellDouble{row.refusals, row.takesRefused, 0};
        platform::win32::UseShellNotifyService(RefusingShell);
        platform::win32::UseAddRetrySchedule(SHORT_SCHEDULE);
        ASSERT_TRUE(Start(SW_HIDE));
        EXPECT_EQ(AddsWhenQuiet(dialog_), row.adds) << "then the retries stop";
        EXPECT_EQ(ShellHasIcon(dialog_), row.iconAtLast);

        // Without its icon the program still runs: a second start shows it,
        // and a taskbar created anew gets the icon the retries gave up on.
        EXPECT_FALSE(Start(SW_SHOWNORMAL));
        EXPECT_TRUE(PumpUntil([&] { return ShownInFront(dialog_); }, REACTION_MS, dialog_));
        shell.refusals = 0;
        SendMessageW(dialog_, platform::win32::TaskbarCreatedMessage(), 0, 0);
        EXPECT_TRUE(ShellHasIcon(dialog_));
        DestroyWindow(dialog_);
        PumpUntil([] { return RunningDialog() == nullptr; }, REACTION_MS);
    }
}

}  // namespace
