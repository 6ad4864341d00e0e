// The dialog manager's part of message handling.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace platform::qt {

// Hands a message to the window's procedure; what the procedure leaves
// unhandled gets the dialog manager's default handling:
//   WM_CLOSE   posts WM_COMMAND with command 2 (cancel), as platform dialogs do;
//   WM_SETICON sets the large or small window icon, answers the previous one.
// A handled message answers 1. Controls have no procedure and answer 0.
std::intptr_t DeliverMessage(WindowObject* window, std::uint32_t message, std::uintptr_t first,
                             std::intptr_t second);

// Repaints the dialog's client area and every control into their surfaces,
// as they paint themselves when the dialog is shown.
void PaintDialogItself(WindowObject* dialog);

}  // namespace platform::qt
