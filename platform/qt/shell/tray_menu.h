// The menu of a notification icon, the same on every kind of tray.
//
// "表示" brings the owner's dialog to the front, as a tap on the icon does
// while the dialog is hidden; "終了" closes the dialog, as the caption's
// close button does, which ends the program.
#pragma once

#include <QString>

#include <array>
#include <memory>

#include "platform/types.h"

class QMenu;

namespace platform::qt {

struct TrayMenuEntry {
    int id;  // 1 and up: 0 names the menu itself on D-Bus
    QString label;
};

const std::array<TrayMenuEntry, 2>& TrayMenuEntries();

// Carries out the entry `id` for `owner` once the current event has been
// dealt with; an unknown entry or a window gone by then does nothing.
void ChooseTrayMenuEntry(WindowHandle owner, int id);

// A pop-up menu of the entries for `owner`.
std::unique_ptr<QMenu> CreateTrayMenu(WindowHandle owner);

}  // namespace platform::qt
