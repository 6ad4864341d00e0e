// The layer's side of window timers.
#pragma once

#include "platform/messages.h"

namespace platform::qt {

// Turns the earliest due timer into its WM_TIMER message; false when none
// is due.
bool TakeDueTick(MessageRecord* message);

}  // namespace platform::qt
