// Device contexts: drawing straight into a window's client area.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace platform {

// TextOut options.
constexpr std::uint32_t TEXT_OUT_OPAQUE = 2;

// Background modes.
constexpr std::int32_t BACKGROUND_TRANSPARENT = 1;
constexpr std::int32_t BACKGROUND_OPAQUE = 2;

// DrawText formats.
constexpr std::uint32_t DRAW_TEXT_RIGHT = 0x002;
constexpr std::uint32_t DRAW_TEXT_VERTICAL_CENTRE = 0x004;
constexpr std::uint32_t DRAW_TEXT_SINGLE_LINE = 0x020;
constexpr std::uint32_t DRAW_TEXT_NO_PREFIX = 0x800;

// System colour indices; the index flag may be or-ed into an index.
constexpr std::int32_t SYSTEM_COLOUR_INDEX_FLAG = 0x40000000;
constexpr std::int32_t SYSTEM_COLOUR_BUTTON_TEXT = 18;

// A context that draws into the window's client area until it is released;
// null when none can be had.
DeviceContext GetDeviceContext(WindowHandle window);

// Puts what was drawn on screen and ends the context.
bool ReleaseDeviceContext(WindowHandle window, DeviceContext context);

// Each setter returns the previous value.
Colour SetBackgroundColour(DeviceContext context, Colour colour);
Colour SetTextColour(DeviceContext context, Colour colour);
std::int32_t SetBackgroundMode(DeviceContext context, std::int32_t mode);

// With TEXT_OUT_OPAQUE, fills `rect` with the background colour: with no
// text (count 0), the platform's cheapest solid fill, which is all the
// program asks of it.
bool TextOut(DeviceContext context, std::int32_t x, std::int32_t y, std::uint32_t options,
             const Rect* rect, const char16_t* text, std::uint32_t count,
             const std::int32_t* spacing);

Colour GetSystemColour(std::int32_t index);

// Draws `count` characters of `text` (-1: up to the NUL) as one line in
// `rect` with the text colour, clipped to the rectangle; the format must
// hold DRAW_TEXT_SINGLE_LINE and DRAW_TEXT_NO_PREFIX, and may place the line
// right and centred vertically. Returns the text's height.
std::int32_t DrawText(DeviceContext context, const char16_t* text, std::int32_t count, Rect* rect,
                      std::uint32_t format);

}  // namespace platform
