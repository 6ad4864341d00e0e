// Window timers: WM_TIMER with the timer's identifier every period, to the
// window's procedure (no callback function).
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace platform {

// Returns the timer's identifier (nonzero), or 0 when no timer was set.
// Setting an identifier again on the same window restarts that timer.
std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t periodMs);

bool KillTimer(WindowHandle window, std::uintptr_t id);

}  // namespace platform
