// The colours the gauges are filled with (0x00BBGGRR). The refresh paints
// with them; the Windows back end also knows them, to draw the gauges in the
// theme's colours while a high-contrast theme is on.
#pragma once

#include "platform/types.h"

namespace platform::shared {

constexpr Colour GAUGE_PLAIN_COLOUR = 0x8FA3AE;  // RGB(174,163,143): totals
constexpr Colour GAUGE_BAR_COLOUR = 0x2376F8;    // RGB(248,118,35): free share
constexpr Colour GAUGE_REST_COLOUR = 0x8CA1B3;   // RGB(179,161,140): the rest

}  // namespace platform::shared
