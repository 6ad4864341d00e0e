// The thread's message queue.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace platform {

struct MessageRecord {
    WindowHandle window;
    std::uint32_t message;
    std::uintptr_t first;
    std::intptr_t second;
};

// Waits for the next message of the thread, for any of its windows.
// Returns 0 for WM_QUIT, -1 on error, another value otherwise.
std::int32_t RetrieveMessage(MessageRecord* message);

// Dialog keyboard handling: Enter becomes command 1 and Escape command 2.
// True when the message was for the dialog and has been dealt with.
bool FilterDialogMessage(WindowHandle dialog, MessageRecord* message);

// Posts the character message of a key message; true when it did.
bool TranslateMessage(const MessageRecord* message);

// Hands the message to its window's procedure; returns its answer.
std::intptr_t DispatchMessage(const MessageRecord* message);

// Queues a message for the window and returns at once.
bool PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t first,
                 std::intptr_t second);

// Retrieval gives 0 once the queue reaches this.
void PostQuitMessage(std::int32_t exitCode);

}  // namespace platform
