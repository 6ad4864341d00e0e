// Which messages a retrieval takes: of one window (a dialog with its
// controls), of the thread alone, or of every window; in a range of
// message numbers or all.
#pragma once

#include <cstdint>

#include "platform/messages.h"

namespace platform::qt {

struct MessageFilter {
    WindowHandle window = nullptr;  // null: every window and the thread
    bool threadOnly = false;        // only messages posted to no window
    std::uint32_t first = 0;        // first and last message; 0, 0: all
    std::uint32_t last = 0;

    // The quit request passes any range.
    bool Accepts(const MessageRecord& message) const;
};

}  // namespace platform::qt
