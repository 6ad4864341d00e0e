// The status dialog's procedure: set-up, the refresh timer, OK and close, and
// taps on the notification icon.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace app {

// True when the message was handled and the dialog manager must leave it.
bool StatusDialogProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t first,
                      std::intptr_t second);

}  // namespace app
