// Window timers: WM_TIMER with the timer's identifier every period.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace platform {

using TimerCallback = void (*)(WindowHandle window, std::uint32_t message, std::uintptr_t id,
                               std::uint32_t time);

// Returns the timer's identifier (nonzero), or 0 when no timer was set.
// Setting an identifier again on the same window restarts that timer.
std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t periodMs,
                        TimerCallback callback);

bool KillTimer(WindowHandle window, std::uintptr_t id);

}  // namespace platform
