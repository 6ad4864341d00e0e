// The eight gauges of the memory section: byte counts painted straight into
// their static controls over a plain or split background.
#pragma once

#include <cstdint>

#include "platform/shared/gauge_colours.h"
#include "platform/types.h"

namespace display {

// The plain field of the totals, the free share's bar and the rest beside
// it (shared with the platform, which keeps gauges readable in a
// high-contrast theme).
using platform::shared::GAUGE_BAR_COLOUR;
using platform::shared::GAUGE_PLAIN_COLOUR;
using platform::shared::GAUGE_REST_COLOUR;

// The system's button-text colour, asked for through the index flag.
constexpr std::int32_t GAUGE_TEXT_COLOUR_INDEX = 0x40000012;

// Right-aligned, vertically centred, one line, '&' drawn as itself.
constexpr std::uint32_t GAUGE_TEXT_FORMAT = 0x826;

// Paints the gauge control `controlId` of `dialog`: its background (split by
// `percent` when `withBar`, plain otherwise; `percent` is read only with the
// bar), then `text` over it. A gauge whose control, rectangle or device
// context cannot be had is left as it is.
void DrawGauge(platform::WindowHandle dialog, std::int32_t controlId, const char16_t* text,
               std::uint8_t percent, bool withBar);

// Splits `rect` at percent / 100 of its width from the right: the right part
// in GAUGE_BAR_COLOUR, the left in GAUGE_REST_COLOUR. Percentages above 100
// follow the same arithmetic; the context clips what lies outside.
void FillBar(platform::DeviceContext context, const platform::Rect& rect, std::uint8_t percent);

// Fills `rect` with `colour`, which stays the context's background colour.
bool FillSolid(platform::DeviceContext context, const platform::Rect& rect,
               platform::Colour colour);

}  // namespace display
