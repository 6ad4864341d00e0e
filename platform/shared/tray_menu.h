// The notification icon's menu, the same on every desktop. "表示" shows the
// dialog and brings it to the front, as a tap on the icon does while the
// dialog is hidden; "終了" closes the dialog as the caption's close button
// does, which ends the program.
#pragma once

#include <array>
#include <string_view>

#include "platform/types.h"

namespace platform::shared {

struct TrayMenuEntry {
    int id;  // 1 and up: 0 names the menu itself on D-Bus
    std::u16string_view label;
};

constexpr int TRAY_MENU_SHOW = 1;
constexpr int TRAY_MENU_EXIT = 2;

inline constexpr std::array<TrayMenuEntry, 2> TRAY_MENU_ENTRIES{{
    {TRAY_MENU_SHOW, u"表示"},
    {TRAY_MENU_EXIT, u"終了"},
}};

// Carries out the entry `id` for the icon's owner; an unknown entry does
// nothing.
void CarryOutTrayMenuEntry(WindowHandle owner, int id);

}  // namespace platform::shared
