// The notification icon's record and the tap toggle.
#include <algorithm>
#include <optional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "app/status_dialog.h"
#include "app/tray_icon.h"
#include "platform/notify_icon.h"
#include "resources/window_title.h"
#include "tests/app/app_fixture.h"

namespace {

using namespace platform;
using testing_support::AppTest;
using testing_support::TEST_IMAGE;

class TrayIconTest : public AppTest {};

// Every character after the tip's text, terminator included, is 0.
bool ZeroAfter(const NotifyIconRecord& record, std::size_t length) {
    return std::all_of(record.tip + length, record.tip + NOTIFY_TIP_CHARS,
                       [](char16_t c) { return c == u'\0'; });
}

struct TipCase {
    const char* name;
    std::optional<std::u16string> tip;  // none: a null tip
    std::uint32_t flags;
    std::u16string shown;

    // Cases are named in test output by their name alone.
    friend void PrintTo(const TipCase& c, std::ostream* out) { *out << c.name; }
};

class TrayTipTest : public TrayIconTest, public ::testing::WithParamInterface<TipCase> {};

TEST_P(TrayTipTest, RecordCarriesTheIconAndAtMost63TipCharacters) {
    const TipCase& c = GetParam();
    const WindowHandle window = fake::NewDialog();
    EXPECT_TRUE(
        app::AddTrayIcon(&TEST_IMAGE, window, app::TRAY_ICON_ID, c.tip ? c.tip->c_str() : nullptr));

    ASSERT_EQ(fake::NotifyCalls().size(), 1u);
    const fake::NotifyCall& call = fake::NotifyCalls()[0];
    const NotifyIconRecord& record = call.record;
    EXPECT_EQ(call.operation, NOTIFY_ADD);
    // The record's own size: 152 bytes with 32-bit handles, more on a 64-bit
    // build, and the service reads the size its build expects.
    EXPECT_EQ(record.size, sizeof(NotifyIconRecord));
    EXPECT_EQ(record.window, window);
    EXPECT_EQ(record.id, 128u);
    EXPECT_EQ(record.flags, c.flags);
    EXPECT_EQ(record.callbackMessage, 0x465u);
    const fake::IconInfo icon = fake::Icon(record.icon);
    EXPECT_EQ(icon.resourceId, 128u);
    EXPECT_EQ(icon.width, 16);
    EXPECT_EQ(icon.height, 16);
    EXPECT_EQ(std::u16string(record.tip), c.shown);
    EXPECT_TRUE(ZeroAfter(record, c.shown.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Tips, TrayTipTest,
    ::testing::Values(TipCase{"WindowTitle", resources::WINDOW_TITLE, 7, resources::WINDOW_TITLE},
                      TipCase{"NullTip", std::nullopt, 3, u""}, TipCase{"EmptyTip", u"", 3, u""},
                      TipCase{"Exactly63", std::u16string(63, u'ｼ'), 7, std::u16string(63, u'ｼ')},
                      TipCase{"Of64IsCut", std::u16string(64, u'a'), 7, std::u16string(63, u'a')},
                      TipCase{"Of100IsCut", std::u16string(100, u'b'), 7,
                              std::u16string(63, u'b')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TrayIconTest, RemovalNamesTheIconOnly) {
    const WindowHandle window = fake::NewDialog();
    app::AddTrayIcon(&TEST_IMAGE, window, app::TRAY_ICON_ID, resources::WINDOW_TITLE);

    EXPECT_TRUE(app::RemoveTrayIcon(window, app::TRAY_ICON_ID));
    EXPECT_EQ(fake::TrayIcons(), 0u);
    const fake::NotifyCall& call = fake::NotifyCalls().back();
    EXPECT_EQ(call.operation, NOTIFY_DELETE);
    EXPECT_EQ(call.record.size, sizeof(NotifyIconRecord));
    EXPECT_EQ(call.record.window, window);
    EXPECT_EQ(call.record.id, 128u);
    EXPECT_EQ(call.record.flags, 0u);
    EXPECT_EQ(call.record.callbackMessage, 0u);
    EXPECT_EQ(call.record.icon, nullptr);
    EXPECT_TRUE(ZeroAfter(call.record, 0));

    EXPECT_FALSE(app::RemoveTrayIcon(window, app::TRAY_ICON_ID)) << "removed twice";
}

TEST_F(TrayIconTest, RefusedIconIsReported) {
    fake::Script().trayAddFails = true;
    EXPECT_FALSE(app::AddTrayIcon(&TEST_IMAGE, fake::NewDialog(), app::TRAY_ICON_ID, u"Velorwind"));
    EXPECT_EQ(fake::TrayIcons(), 0u);
}

enum class InFront { Nothing, OtherWindow, Dialog };

struct ToggleCase {
    const char* name;
    bool visible;
    InFront inFront;
    bool visibleAfter;  // and then also in front, with its timer running

    // Cases are named in test output by their name alone.
    friend void PrintTo(const ToggleCase& c, std::ostream* out) { *out << c.name; }
};

class TapToggleTest : public TrayIconTest, public ::testing::WithParamInterface<ToggleCase> {};

TEST_P(TapToggleTest, ShowsAndFrontsUnlessAlreadyInFront) {
    const ToggleCase& c = GetParam();
    const WindowHandle dialog = CreateShownDialog();
    if (!c.visible) ShowWindow(dialog, SHOW_HIDE);
    fake::SetForeground(c.inFront == InFront::Dialog        ? dialog
                        : c.inFront == InFront::OtherWindow ? fake::OtherWindow()
                                                            : nullptr);

    app::StatusDialogProc(dialog, app::WM_TRAYNOTIFY, app::TRAY_ICON_ID, WM_LBUTTONDOWN);

    EXPECT_EQ(fake::Visible(dialog), c.visibleAfter);
    EXPECT_EQ(fake::Foreground() == dialog, c.visibleAfter);
    EXPECT_EQ(fake::RunningTimers().size(), c.visibleAfter ? 1u : 0u);
    EXPECT_EQ(fake::TrayIcons(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Taps, TapToggleTest,
    ::testing::Values(ToggleCase{"Hidden", false, InFront::OtherWindow, true},
                      ToggleCase{"HiddenNothingInFront", false, InFront::Nothing, true},
                      // Hidden while the platform still names it foreground.
                      ToggleCase{"HiddenButReportedInFront", false, InFront::Dialog, true},
                      ToggleCase{"VisibleButCovered", true, InFront::OtherWindow, true},
                      ToggleCase{"VisibleNothingInFront", true, InFront::Nothing, true},
                      ToggleCase{"VisibleInFront", true, InFront::Dialog, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
