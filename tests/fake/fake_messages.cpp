// The message queue and window timers.
#include <algorithm>

#include <gtest/gtest.h>

#include "platform/messages.h"
#include "platform/timer.h"
#include "tests/fake/fake_windowing_state.h"

namespace {

using fake::detail::Deliver;
using fake::detail::Hex;
using fake::detail::Live;
using fake::detail::Name;
using fake::detail::Record;
using fake::detail::State;

bool ForDialog(platform::WindowHandle dialog, platform::WindowHandle window) {
    return window == dialog || (window != nullptr && window->parent == dialog);
}

}  // namespace

namespace fake {

void QueueMessage(platform::WindowHandle window, std::uint32_t message, std::uintptr_t first,
                  std::intptr_t second) {
    State().queue.push_back({{window, message, first, second}, false});
}

void QueueForDialog(std::uint32_t message, std::uintptr_t first, std::intptr_t second) {
    State().queue.push_back({{nullptr, message, first, second}, true});
}

void TickTimers() {
    for (const Timer& timer : State().timers) {
        QueueMessage(timer.window, platform::WM_TIMER, timer.id, 0);
    }
}

}  // namespace fake

namespace platform {

std::int32_t RetrieveMessage(MessageRecord* message) {
    Record("RetrieveMessage");
    auto& state = State();
    if (!state.queue.empty()) {
        const fake::detail::QueuedMessage queued = state.queue.front();
        state.queue.pop_front();
        *message = queued.record;
        if (queued.toLatestDialog) message->window = state.dialog;
        return 1;
    }
    if (state.quit) {
        *message = MessageRecord{nullptr, WM_QUIT, static_cast<std::uintptr_t>(*state.quit), 0};
        state.quit.reset();
        return 0;
    }
    if (state.script.retrievalErrors > 0) {
        --state.script.retrievalErrors;
        return -1;
    }
    // A real queue would wait for ever here; a test that gets here forgot to
    // script the end of its loop.
    ADD_FAILURE() << "message retrieved from an empty queue with no quit posted";
    *message = MessageRecord{nullptr, WM_QUIT, 0, 0};
    return 0;
}

bool FilterDialogMessage(WindowHandle dialog, MessageRecord* message) {
    Record("FilterDialogMessage " + Name(dialog) + " " + Hex(message->message));
    if (Live(dialog) == nullptr || !ForDialog(dialog, message->window)) return false;
    if (message->message != WM_KEYDOWN) return false;
    if (message->first == KEY_RETURN) {
        Deliver(dialog, WM_COMMAND, COMMAND_OK, 0);
        return true;
    }
    if (message->first == KEY_ESCAPE) {
        Deliver(dialog, WM_COMMAND, COMMAND_CANCEL, 0);
        return true;
    }
    return false;
}

bool TranslateMessage(const MessageRecord* message) {
    Record("TranslateMessage " + Hex(message->message));
    if (message->message != WM_KEYDOWN) return false;
    fake::QueueMessage(message->window, WM_CHAR, message->first, message->second);
    return true;
}

std::intptr_t DispatchMessage(const MessageRecord* message) {
    Record("DispatchMessage " + Name(message->window) + " " + Hex(message->message) + " " +
           std::to_string(message->first));
    return Deliver(message->window, message->message, message->first, message->second);
}

bool PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t first,
                 std::intptr_t second) {
    Record("PostMessage " + Name(window) + " " + Hex(message) + " " + std::to_string(first));
    fake::QueueMessage(window, message, first, second);
    return true;
}

void PostQuitMessage(std::int32_t exitCode) {
    Record("PostQuitMessage " + std::to_string(exitCode));
    State().quit = exitCode;
}

std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t periodMs) {
    Record("SetTimer " + Name(window) + " " + std::to_string(id) + " " + std::to_string(periodMs));
    const std::uintptr_t answer = State().script.timerAnswer.value_or(id);
    if (answer == 0 || Live(window) == nullptr) return 0;
    auto& timers = State().timers;
    std::erase_if(timers, [&](const fake::Timer& timer) {
        return timer.window == window && timer.id == answer;
    });
    timers.push_back({window, answer, periodMs});
    return answer;
}

bool KillTimer(WindowHandle window, std::uintptr_t id) {
    Record("KillTimer " + Name(window) + " " + std::to_string(id));
    return std::erase_if(State().timers, [&](const fake::Timer& timer) {
               return timer.window == window && timer.id == id;
           }) > 0;
}

}  // namespace platform
