#include "app/status_dialog.h"

#include "app/application.h"
#include "app/refresh_timer.h"
#include "app/tray_icon.h"
#include "display/refresh.h"
#include "platform/icon.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "resources/window_title.h"

namespace app {

namespace {

// Runs while the dialog is still hidden: the texts of this first refresh
// appear with the dialog, its gauges are never seen.
void InitialiseDialog(platform::WindowHandle window) {
    const platform::IconHandle icon = platform::LoadIcon(globalInstance, resources::IDI_APP);
    const auto iconValue = reinterpret_cast<std::intptr_t>(icon);
    platform::SendMessage(window, platform::WM_SETICON, platform::ICON_BIG, iconValue);
    platform::SendMessage(window, platform::WM_SETICON, platform::ICON_SMALL, iconValue);
    display::ClearGaugeTexts(window);
    display::RefreshStatus(window);
    StartRefreshTimer(window);
    // Without an icon the program still runs; a second start shows it.
    AddTrayIcon(globalInstance, window, TRAY_ICON_ID, resources::WINDOW_TITLE);
}

void EndProgram(platform::WindowHandle window) {
    StopRefreshTimer(window);
    RemoveTrayIcon(window, TRAY_ICON_ID);
    platform::PostQuitMessage(0);
}

// A hidden dialog costs no refreshes.
void FollowVisibility(platform::WindowHandle window, bool shown) {
    if (shown) {
        StartRefreshTimer(window);
    } else {
        StopRefreshTimer(window);
    }
}

// OK only hides: the program stays in the notification area. Cancel ends it.
void RunCommand(platform::WindowHandle window, std::uint16_t command) {
    if (command == platform::COMMAND_OK) {
        platform::ShowWindow(window, platform::SHOW_HIDE);
    } else if (command == platform::COMMAND_CANCEL) {
        platform::DestroyWindow(window);
    }
}

void AnswerTrayIcon(platform::WindowHandle window, std::uintptr_t iconId, std::intptr_t event) {
    if (iconId == TRAY_ICON_ID && event == platform::WM_LBUTTONDOWN) {
        ToggleStatusDialog(window);
    }
}

}  // namespace

bool StatusDialogProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t first,
                      std::intptr_t second) {
    switch (message) {
    case platform::WM_DESTROY: EndProgram(window); return true;
    case platform::WM_CLOSE: platform::DestroyWindow(window); return true;
    case platform::WM_SHOWWINDOW: FollowVisibility(window, first != 0); return true;
    case platform::WM_INITDIALOG: InitialiseDialog(window); return true;
    case platform::WM_COMMAND:
        RunCommand(window, static_cast<std::uint16_t>(first & 0xFFFF));
        return false;
    case platform::WM_TIMER:
        // Whatever the identifier: the refresh timer is the dialog's only one.
        display::RefreshStatus(window);
        return true;
    case WM_TRAYNOTIFY: AnswerTrayIcon(window, first, second); return true;
    default: return false;
    }
}

}  // namespace app
