// What the Windows back end adds to the gauges for people who do not see
// them as drawn:
// - a screen reader (Narrator, NVDA) hears each gauge: its static control
//   has no text of its own, so its accessible name is annotated with the
//   value drawn and the caption before it (platform/shared/accessible_name.h),
//   and a change of name is announced;
// - while a high-contrast theme is on, the gauges take the theme's colours:
//   the plain field and the rest in the window colour with the window text
//   over them, the bar in the highlight colour with the highlighted text.
//   Outside high contrast they are drawn in their own colours.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/win32/windows_api.h"

namespace platform::win32 {

// Whether a high-contrast theme is on now (asked of the system each time,
// so a change of theme shows at the next refresh).
bool HighContrastOn();

// For the tests: a high-contrast state to use instead of the system's.
void OverrideHighContrast(std::optional<bool> on);

// The colour a fill asked in `colour` is drawn in.
COLORREF ContrastFillColour(COLORREF colour);

// The bar a context filled, noted by its fills, so that its text can be
// drawn in the highlighted text colour over the bar; forgotten with the
// context.
void NoteFill(HDC context, const RECT& rect, COLORREF asked);
std::optional<RECT> BarOf(HDC context);
void ForgetContext(HDC context);

// Names `control` for assistive technology after `value` was drawn into it;
// a name that did not change is not set again.
void NameDrawnValue(HWND control, std::u16string_view value);

// The name last given to `control`; empty when none.
std::u16string DrawnValueNameOf(HWND control);

}  // namespace platform::win32
