// The shell's side of the notification icon on Wine's shell: an icon the
// program wants comes back when the taskbar is created again, one it
// removed does not; and the icon menu's two choices.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>

#include "platform/icon.h"
#include "platform/notify_icon.h"
#include "platform/shared/tray_menu.h"
#include "platform/win32/shell/notify_icons.h"
#include "resources/resource_ids.h"
#include "tests/platform/win32/win32_test_support.h"

namespace {

using namespace platform;
using namespace win32_test;

constexpr std::uint32_t CALLBACK_MESSAGE = 0x465;

NotifyIconRecord IconOf(HWND owner) {
    NotifyIconRecord record{};
    record.size = sizeof record;
    record.window = win32::FromHwnd(owner);
    record.id = 128;
    record.flags = NOTIFY_FLAG_MESSAGE | NOTIFY_FLAG_ICON;
    record.callbackMessage = CALLBACK_MESSAGE;
    record.icon = LoadImage(Executable(), resources::IDI_APP, IMAGE_ICON, 16, 16, 0);
    return record;
}

// Whether the shell has the icon: only an icon it has can be modified.
bool ShellHas(HWND owner) {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = owner;
    data.uID = 128;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

// The shell forgets its icons when it restarts: another program's removal
// of the icon stands for that here.
void ShellForgets(HWND owner) {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = owner;
    data.uID = 128;
    Shell_NotifyIconW(NIM_DELETE, &data);
}

class ShellTest : public testing::Test {
protected:
    void SetUp() override {
        Seen() = {};
        dialog_ = CreateStatusDialog(resources::IDD_STATUS_TALL);
        ASSERT_NE(dialog_, nullptr);
    }
    void TearDown() override {
        if (IsWindow(dialog_)) ::DestroyWindow(dialog_);
    }
    HWND dialog_ = nullptr;
};

TEST_F(ShellTest, AnIconComesBackWhenTheTaskbarIsCreatedAgain) {
    const NotifyIconRecord record = IconOf(dialog_);
    ASSERT_TRUE(NotifyIcon(NOTIFY_ADD, &record));
    ASSERT_TRUE(ShellHas(dialog_));
    ShellForgets(dialog_);
    ASSERT_FALSE(ShellHas(dialog_));
    // The shell broadcasts the message to every top-level window.
    SendMessageW(dialog_, win32::TaskbarCreatedMessage(), 0, 0);
    EXPECT_TRUE(ShellHas(dialog_)) << "added again";
    EXPECT_TRUE(std::find(Seen().messages.begin(), Seen().messages.end(),
                          win32::TaskbarCreatedMessage()) == Seen().messages.end())
        << "the back end answers it; the program's procedure never hears of it";

    EXPECT_TRUE(NotifyIcon(NOTIFY_DELETE, &record));
    SendMessageW(dialog_, win32::TaskbarCreatedMessage(), 0, 0);
    EXPECT_FALSE(ShellHas(dialog_)) << "a removed icon stays removed";
}

TEST_F(ShellTest, TheMenusChoicesShowTheDialogOrCloseItAsItsCaptionWould) {
    ASSERT_FALSE(IsWindowVisible(dialog_));
    shared::CarryOutTrayMenuEntry(win32::FromHwnd(dialog_), shared::TRAY_MENU_SHOW);
    EXPECT_TRUE(IsWindowVisible(dialog_));
    EXPECT_EQ(::GetForegroundWindow(), dialog_);

    shared::CarryOutTrayMenuEntry(win32::FromHwnd(dialog_), shared::TRAY_MENU_EXIT);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(dialog_); }, 5000));
    EXPECT_NE(std::find(Seen().messages.begin(), Seen().messages.end(), WM_CLOSE),
              Seen().messages.end());
    EXPECT_NE(std::find(Seen().messages.begin(), Seen().messages.end(), WM_DESTROY),
              Seen().messages.end());
}

}  // namespace
