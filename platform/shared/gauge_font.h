// The font that device contexts of the dialog and its controls draw with:
// the dialog's face at five eighths of its size, so that the gauges hold the
// byte counts of today's memories and disks (fifteen characters up to a
// terabyte) within their 42 dialog units.
#pragma once

#include <algorithm>

namespace platform::shared {

// The gauge font's height for a dialog font `pixels` high: rounded to the
// nearest pixel, never below one.
constexpr int GaugeFontPixels(int pixels) { return std::max(1, (pixels * 5 + 4) / 8); }

}  // namespace platform::shared
