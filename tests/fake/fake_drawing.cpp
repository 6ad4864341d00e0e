// Device contexts: every fill and text drawn is recorded with the context's
// state at that moment.
#include <string>
#include <utility>

#include "platform/drawing.h"
#include "tests/fake/fake_windowing_state.h"

namespace {

using fake::detail::Hex;
using fake::detail::Live;
using fake::detail::Name;
using fake::detail::Record;
using fake::detail::State;

// A context handed out and not yet released, or null.
platform::DrawingObject* Open(platform::DeviceContext context) {
    for (const auto& known : State().contexts) {
        if (known.get() == context) return context->released ? nullptr : context;
    }
    return nullptr;
}

std::string Owner(platform::DeviceContext context) {
    const platform::DrawingObject* open = Open(context);
    return open != nullptr ? Name(open->window) : "closed-context";
}

// Sets one piece of an open context's state and gives the one it replaced;
// 0, as the platform answers, for a context not open.
template <typename Value>
Value Replace(platform::DeviceContext context, Value platform::DrawingObject::*field, Value value) {
    platform::DrawingObject* open = Open(context);
    return open != nullptr ? std::exchange(open->*field, value) : Value{};
}

std::u16string Characters(const char16_t* text, std::int64_t count) {
    if (text == nullptr) return {};
    if (count < 0) return text;
    return std::u16string(text, static_cast<std::size_t>(count));
}

}  // namespace

namespace platform {

DeviceContext GetDeviceContext(WindowHandle window) {
    Record("GetDeviceContext " + Name(window));
    WindowObject* live = Live(window);
    if (live == nullptr || State().script.controlsWithoutContext.contains(live->id)) {
        return nullptr;
    }
    State().contexts.push_back(std::make_unique<DrawingObject>(DrawingObject{live}));
    return State().contexts.back().get();
}

bool ReleaseDeviceContext(WindowHandle window, DeviceContext context) {
    Record("ReleaseDeviceContext " + Name(window));
    DrawingObject* open = Open(context);
    if (open == nullptr || open->window != window) return false;
    open->released = true;
    State().releases.push_back(
        {window->id, open->backgroundColour, open->textColour, open->backgroundMode});
    return true;
}

Colour SetBackgroundColour(DeviceContext context, Colour colour) {
    Record("SetBackgroundColour " + Owner(context) + " " + Hex(colour));
    return Replace(context, &DrawingObject::backgroundColour, colour);
}

Colour SetTextColour(DeviceContext context, Colour colour) {
    Record("SetTextColour " + Owner(context) + " " + Hex(colour));
    return Replace(context, &DrawingObject::textColour, colour);
}

std::int32_t SetBackgroundMode(DeviceContext context, std::int32_t mode) {
    Record("SetBackgroundMode " + Owner(context) + " " + std::to_string(mode));
    return Replace(context, &DrawingObject::backgroundMode, mode);
}

bool TextOut(DeviceContext context, std::int32_t x, std::int32_t y, std::uint32_t options,
             const Rect* rect, const char16_t* text, std::uint32_t count,
             const std::int32_t* /*spacing*/) {
    const std::u16string shown = Characters(text, count);
    Record("TextOut " + Owner(context) + " " + std::to_string(x) + "," + std::to_string(y) +
           ((options & TEXT_OUT_OPAQUE) != 0 ? " opaque " : " ") +
           (rect != nullptr ? fake::Describe(*rect) : "no-rect") + " \"" + fake::Utf8(shown) +
           "\"");
    DrawingObject* open = Open(context);
    if (open == nullptr) return false;
    if ((options & TEXT_OUT_OPAQUE) != 0 && rect != nullptr) {
        State().fills.push_back({open->window->id, *rect, open->backgroundColour});
    }
    return true;
}

Colour GetSystemColour(std::int32_t index) {
    Record("GetSystemColour " + Hex(static_cast<std::uint32_t>(index)));
    const std::int32_t plain = index & ~SYSTEM_COLOUR_INDEX_FLAG;
    if (plain == SYSTEM_COLOUR_BUTTON_TEXT) return fake::BUTTON_TEXT_COLOUR;
    return MakeColour(static_cast<std::uint8_t>(plain), 0x80, 0x80);
}

std::int32_t DrawText(DeviceContext context, const char16_t* text, std::int32_t count, Rect* rect,
                      std::uint32_t format) {
    const std::u16string shown = Characters(text, count);
    Record("DrawText " + Owner(context) + " \"" + fake::Utf8(shown) + "\" " +
           (rect != nullptr ? fake::Describe(*rect) : "no-rect") + " " + Hex(format));
    DrawingObject* open = Open(context);
    if (open == nullptr || rect == nullptr) return 0;
    State().textDrawings.push_back(
        {open->window->id, shown, *rect, format, open->textColour, open->backgroundMode});
    return rect->bottom - rect->top;
}

}  // namespace platform
