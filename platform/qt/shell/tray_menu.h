// The notification icon's menu on Qt: the shared entries
// (platform/shared/tray_menu.h) as a pop-up menu, and carried out from the
// loop when a panel reports a click on one.
#pragma once

#include <memory>

#include "platform/types.h"

class QMenu;

namespace platform::qt {

// Carries out the entry `id` for `owner` once the current event has been
// dealt with: the dialog procedure that showing reaches may do anything,
// which must not happen inside a menu's or a D-Bus call's own handling. An
// unknown entry, or a window gone by then, does nothing.
void ChooseTrayMenuEntry(WindowHandle owner, int id);

// A pop-up menu of the entries for `owner`.
std::unique_ptr<QMenu> CreateTrayMenu(WindowHandle owner);

}  // namespace platform::qt
