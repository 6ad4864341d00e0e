#include "platform/shared/tray_menu.h"

#include "platform/messages.h"
#include "platform/window.h"

namespace platform::shared {

void CarryOutTrayMenuEntry(WindowHandle owner, int id) {
    if (id == TRAY_MENU_SHOW) {
        ShowWindow(owner, SHOW_SHOW);
        SetForegroundWindow(owner);
    } else if (id == TRAY_MENU_EXIT) {
        // Posted, as the close button's request is: the dialog closes after
        // the menu's own handling, removes its icon and ends the program.
        PostMessage(owner, WM_CLOSE, 0, 0);
    }
}

}  // namespace platform::shared
