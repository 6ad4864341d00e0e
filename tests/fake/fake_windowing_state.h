// Inside the fake windowing: the objects behind the handles and the state
// the service files share. Tests use fake_window.h instead.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "tests/fake/fake_window.h"

namespace platform {

struct WindowObject {
    enum class Kind { Dialog, Control, RunningInstance, Other };
    Kind kind;
    std::int32_t id = 0;  // a control's identifier
    WindowObject* parent = nullptr;
    DialogProcedure procedure = nullptr;
    bool visible = false;
    bool destroyed = false;
    std::u16string text;
    Rect client{};
    IconHandle bigIcon = nullptr;
    IconHandle smallIcon = nullptr;
    std::vector<WindowObject*> controls;
};

struct IconObject {
    fake::IconInfo info;
};

struct DrawingObject {
    WindowObject* window;
    Colour backgroundColour = fake::CONTEXT_BACKGROUND_COLOUR;
    Colour textColour = fake::CONTEXT_TEXT_COLOUR;
    std::int32_t backgroundMode = fake::CONTEXT_BACKGROUND_MODE;
    bool released = false;
};

}  // namespace platform

namespace fake::detail {

struct TrayEntry {
    platform::WindowHandle window;
    std::uint32_t id;
};

struct QueuedMessage {
    platform::MessageRecord record;
    bool toLatestDialog;
};

struct WindowingState {
    WindowScript script;
    std::vector<std::unique_ptr<platform::WindowObject>> windows;
    std::vector<std::unique_ptr<platform::IconObject>> icons;
    std::vector<std::unique_ptr<platform::DrawingObject>> contexts;
    platform::WindowHandle dialog = nullptr;
    platform::WindowHandle runningInstance = nullptr;
    platform::WindowHandle otherWindow = nullptr;
    platform::WindowHandle foreground = nullptr;

    std::deque<QueuedMessage> queue;
    std::optional<std::int32_t> quit;
    std::vector<Timer> timers;
    std::vector<NotifyCall> notifyCalls;
    std::vector<TrayEntry> tray;

    std::vector<DialogCreation> creations;
    std::vector<ItemTextCall> itemTexts;
    std::vector<Fill> fills;
    std::vector<TextDrawing> textDrawings;
    std::vector<ContextRelease> releases;

    std::vector<std::string> log;
    std::size_t statusCallsSeen = 0;
};

WindowingState& State();

// Appends one line to the log, after any status calls made since the last.
void Record(std::string line);

std::string Name(platform::WindowHandle window);
std::string Hex(std::uint64_t value);

// A window that still exists, or null.
platform::WindowObject* Live(platform::WindowHandle window);

// Hands a message to the window's procedure, as the window manager does.
std::intptr_t Deliver(platform::WindowHandle window, std::uint32_t message, std::uintptr_t first,
                      std::intptr_t second);

platform::WindowHandle MakeDialog(platform::DialogProcedure procedure);

}  // namespace fake::detail
