// The layer's side of window timers.
#pragma once

#include "platform/qt/messages/message_filter.h"
#include "platform/timer.h"

namespace platform::qt {

// Turns the earliest due timer that the filter accepts into its WM_TIMER
// message; false when none is due.
bool TakeDueTick(const MessageFilter& filter, MessageRecord* message);

// The callback a WM_TIMER message names, when it is a live timer's; null
// otherwise (the message then goes to the window's procedure).
TimerCallback CallbackOfTick(const MessageRecord& message);

// Milliseconds since an arbitrary start, as timer callbacks get them.
std::uint32_t TickCount();

}  // namespace platform::qt
