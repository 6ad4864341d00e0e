// The layer's side of the thread's message queue.
//
// Posted messages (keys, caption buttons, close requests, tray taps, the
// program's own posts) wait in order in one queue. Timer ticks and the quit
// request are flags, turned into messages only when nothing posted is
// waiting, as on the platform.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

namespace platform::qt {

// The most messages the queue holds; posting beyond this fails.
constexpr std::size_t POSTED_MESSAGE_LIMIT = 10000;

// Posts WM_CLOSE to every dialog, as the window manager's close does; the
// quit message when there is none. An end signal comes to this.
void AskEveryDialogToClose();

// Posts a message unless the same one (window, message and both
// parameters) waits in the queue already: a burst of the same event, such
// as taps on the notification icon that a panel sends faster than they are
// answered, is answered once each time the loop comes round.
bool PostMessageOnce(WindowHandle window, std::uint32_t message, std::uintptr_t first,
                     std::intptr_t second);

// Ends the wait of a retrieval that sleeps in Qt's event loop, so that it
// looks at the queue again: for whatever makes a message retrievable from
// inside a Qt handler (a post, a quit request).
void WakeWaitingRetrieval();

}  // namespace platform::qt
