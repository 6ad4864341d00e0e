#include "app/refresh_timer.h"

#include "platform/timer.h"

namespace app {

std::uintptr_t activeTimerId = 0;

void StartRefreshTimer(platform::WindowHandle window) {
    StopRefreshTimer(window);
    // No callback: ticks arrive as timer messages to the dialog procedure.
    activeTimerId = platform::SetTimer(window, REFRESH_TIMER_ID, REFRESH_PERIOD_MS);
}

void StopRefreshTimer(platform::WindowHandle window) {
    if (activeTimerId == 0) return;
    platform::KillTimer(window, activeTimerId);
    activeTimerId = 0;
}

}  // namespace app
