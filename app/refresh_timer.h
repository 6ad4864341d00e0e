// The one-second refresh timer, running exactly while the dialog is visible.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace app {

constexpr std::uintptr_t REFRESH_TIMER_ID = 100;
constexpr std::uint32_t REFRESH_PERIOD_MS = 1000;

// The identifier the platform gave the running timer; 0 when none runs.
extern std::uintptr_t activeTimerId;

// Stops any running timer, then sets a new one. When the platform refuses,
// no timer runs until the next start.
void StartRefreshTimer(platform::WindowHandle window);

// Kills the running timer, if there is one.
void StopRefreshTimer(platform::WindowHandle window);

}  // namespace app
