// The dialog procedure: set-up, its message table and the refresh timer.
#include <optional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "app/refresh_timer.h"
#include "app/status_dialog.h"
#include "app/tray_icon.h"
#include "resources/window_title.h"
#include "tests/app/app_fixture.h"

namespace {

using namespace platform;
using testing_support::AppTest;

class StatusDialogTest : public AppTest {};

// Creation leaves a dialog that is still hidden but ready to be shown: its
// icons, empty gauges, the first refresh's texts, a running timer and the
// notification icon.
TEST_F(StatusDialogTest, SetUpLeavesTheHiddenDialogReady) {
    const WindowHandle dialog = CreateDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(InLog("ShowWindow"));
    EXPECT_FALSE(fake::Visible(dialog));

    const IconHandle big = fake::WindowIcon(dialog, true);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(fake::WindowIcon(dialog, false), big);
    EXPECT_EQ(fake::Icon(big).resourceId, resources::IDI_APP);
    using resources::IDC_RAM_TOTAL;
    using resources::IDC_VOL2_FREE;
    for (std::int32_t gauge = IDC_RAM_TOTAL; gauge <= IDC_VOL2_FREE; ++gauge) {
        EXPECT_EQ(fake::ItemText(dialog, gauge), u"") << gauge;
    }
    EXPECT_EQ(fake::ItemText(dialog, resources::IDC_AC_LINE), u"ｵﾝ");
    ASSERT_EQ(fake::RunningTimers().size(), 1u);
    EXPECT_EQ(fake::RunningTimers()[0].id, app::REFRESH_TIMER_ID);
    EXPECT_EQ(fake::RunningTimers()[0].periodMs, 1000u);
    ASSERT_EQ(fake::TrayIcons(), 1u);
    EXPECT_EQ(std::u16string(fake::NotifyCalls()[0].record.tip), resources::WINDOW_TITLE);
}

// What a message leaves behind, seen from outside.
struct Outcome {
    bool visible;
    bool destroyed;
    bool timerRunning;
    std::size_t trayIcons;
    bool quitPosted;
    bool refreshed;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    return out << "visible=" << o.visible << " destroyed=" << o.destroyed
               << " timer=" << o.timerRunning << " icons=" << o.trayIcons
               << " quit=" << o.quitPosted << " refreshed=" << o.refreshed;
}

// Starting from a dialog that is shown, in front, with its timer and icon.
const Outcome UNCHANGED{true, false, true, 1, false, false};
const Outcome REFRESHED{true, false, true, 1, false, true};
const Outcome HIDDEN{false, false, false, 1, false, false};
const Outcome ENDED{false, true, false, 0, true, false};
// Delivered straight to the procedure, the window manager's own state
// (visibility, existence) stays as it was.
const Outcome TIMER_STOPPED{true, false, false, 1, false, false};
const Outcome CLEANED_UP{true, false, false, 0, true, false};

struct MessageRow {
    const char* name;
    std::uint32_t message;
    std::uintptr_t first;
    std::intptr_t second;
    bool handled;
    Outcome outcome;

    // Cases are named in test output by their name alone.
    friend void PrintTo(const MessageRow& c, std::ostream* out) { *out << c.name; }
};

class MessageTableTest : public StatusDialogTest,
                         public ::testing::WithParamInterface<MessageRow> {};

TEST_P(MessageTableTest, AnswersAndActs) {
    const MessageRow& row = GetParam();
    const WindowHandle dialog = CreateShownDialog();

    EXPECT_EQ(app::StatusDialogProc(dialog, row.message, row.first, row.second), row.handled);

    const Outcome seen{fake::Visible(dialog),
                       fake::Destroyed(dialog),
                       !fake::RunningTimers().empty(),
                       fake::TrayIcons(),
                       fake::PendingQuit() == std::optional<std::int32_t>(0),
                       InLog("status power")};
    EXPECT_EQ(seen, row.outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, MessageTableTest,
    ::testing::Values(
        MessageRow{"Close", WM_CLOSE, 0, 0, true, ENDED},
        MessageRow{"Cancel", WM_COMMAND, COMMAND_CANCEL, 0, false, ENDED},
        MessageRow{"CancelWithNotifyCode", WM_COMMAND, 0x10002, 0, false, ENDED},
        MessageRow{"CaptionOk", WM_COMMAND, COMMAND_OK, 0, false, HIDDEN},
        MessageRow{"OkWithNotifyCode", WM_COMMAND, 0x10001, 0, false, HIDDEN},
        MessageRow{"OtherCommand", WM_COMMAND, 3, 0, false, UNCHANGED},
        MessageRow{"OnlyHighWordSet", WM_COMMAND, 0x10000, 0, false, UNCHANGED},
        MessageRow{"RefreshTimer", WM_TIMER, 100, 0, true, REFRESHED},
        MessageRow{"AnyOtherTimer", WM_TIMER, 7, 0, true, REFRESHED},
        MessageRow{"TrayPress", app::WM_TRAYNOTIFY, 128, WM_LBUTTONDOWN, true, HIDDEN},
        MessageRow{"TrayRelease", app::WM_TRAYNOTIFY, 128, WM_LBUTTONUP, true, UNCHANGED},
        MessageRow{"TrayDoubleClick", app::WM_TRAYNOTIFY, 128, WM_LBUTTONDBLCLK, true, UNCHANGED},
        MessageRow{"OtherIconPress", app::WM_TRAYNOTIFY, 127, WM_LBUTTONDOWN, true, UNCHANGED},
        MessageRow{"BeingHidden", WM_SHOWWINDOW, 0, 0, true, TIMER_STOPPED},
        MessageRow{"Destroy", WM_DESTROY, 0, 0, true, CLEANED_UP},
        MessageRow{"PrivateMessage", 0x0400, 0, 0, false, UNCHANGED},
        MessageRow{"KeyDown", WM_KEYDOWN, KEY_RETURN, 0, false, UNCHANGED}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StatusDialogTest, TimerStopsWhenHiddenAndRestartsWithoutRefreshWhenShown) {
    const WindowHandle dialog = CreateShownDialog();

    ShowWindow(dialog, SHOW_HIDE);
    EXPECT_TRUE(fake::RunningTimers().empty());
    EXPECT_EQ(app::activeTimerId, 0u);
    fake::TickTimers();
    EXPECT_EQ(fake::QueuedMessages(), 0u) << "a hidden dialog gets ticks";

    fake::ClearLog();
    ShowWindow(dialog, SHOW_SHOW);
    ASSERT_EQ(fake::RunningTimers().size(), 1u);
    EXPECT_EQ(fake::RunningTimers()[0].window, dialog);
    EXPECT_FALSE(InLog("status power")) << "showing refreshed at once";
}

TEST_F(StatusDialogTest, RefusedTimerLeavesNoTimerUntilTheNextStart) {
    fake::Script().timerAnswer = 0;
    const WindowHandle dialog = CreateShownDialog();
    EXPECT_TRUE(fake::RunningTimers().empty());
    EXPECT_EQ(app::activeTimerId, 0u);

    ShowWindow(dialog, SHOW_HIDE);
    EXPECT_FALSE(InLog("KillTimer"));

    fake::Script().timerAnswer.reset();
    ShowWindow(dialog, SHOW_SHOW);
    EXPECT_EQ(fake::RunningTimers().size(), 1u);
}

TEST_F(StatusDialogTest, TheIdentifierThePlatformGaveIsTheOneStopped) {
    fake::Script().timerAnswer = 7;
    const WindowHandle dialog = CreateShownDialog();

    // A restart under a new identifier must not leave the old timer behind.
    fake::Script().timerAnswer = 8;
    app::StartRefreshTimer(dialog);
    ASSERT_EQ(fake::RunningTimers().size(), 1u);
    EXPECT_EQ(fake::RunningTimers()[0].id, 8u);

    ShowWindow(dialog, SHOW_HIDE);
    EXPECT_TRUE(InLog("KillTimer dialog 8"));
    EXPECT_TRUE(fake::RunningTimers().empty());
}

}  // namespace
