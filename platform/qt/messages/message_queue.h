// The layer's side of the thread's message queue.
//
// Posted messages (keys, caption buttons, close requests, tray taps, the
// program's own posts) wait in order in one queue. Timer ticks and the quit
// request are flags, turned into messages only when nothing posted is
// waiting, as on the platform.
#pragma once

#include <cstddef>

namespace platform::qt {

// The most messages the queue holds; posting beyond this fails.
constexpr std::size_t POSTED_MESSAGE_LIMIT = 10000;

// Ends the wait of a retrieval that sleeps in Qt's event loop, so that it
// looks at the queue again: for whatever makes a message retrievable from
// inside a Qt handler (a post, a quit request).
void WakeWaitingRetrieval();

}  // namespace platform::qt
