#include "display/gauge.h"

#include "platform/drawing.h"
#include "platform/wide_text.h"
#include "platform/window.h"

namespace display {

namespace {

// The value text over the background just painted: no background of its own,
// and the context's text state handed back as it was found.
void DrawGaugeText(platform::DeviceContext context, platform::Rect& rect, const char16_t* text) {
    const platform::Colour textColour = platform::GetSystemColour(GAUGE_TEXT_COLOUR_INDEX);
    const platform::Colour previousColour = platform::SetTextColour(context, textColour);
    const std::int32_t previousMode =
        platform::SetBackgroundMode(context, platform::BACKGROUND_TRANSPARENT);
    const auto length = static_cast<std::int32_t>(platform::WideLength(text));
    platform::DrawText(context, text, length, &rect, GAUGE_TEXT_FORMAT);
    platform::SetBackgroundMode(context, previousMode);
    platform::SetTextColour(context, previousColour);
}

}  // namespace

void DrawGauge(platform::WindowHandle dialog, std::int32_t controlId, const char16_t* text,
               std::uint8_t percent, bool withBar) {
    const platform::WindowHandle control = platform::GetDialogItem(dialog, controlId);
    if (control == nullptr) return;
    platform::Rect rect{};
    if (!platform::GetClientRect(control, &rect)) return;
    const platform::DeviceContext context = platform::GetDeviceContext(control);
    if (context == nullptr) return;

    if (withBar) {
        FillBar(context, rect, percent);
    } else {
        FillSolid(context, rect, GAUGE_PLAIN_COLOUR);
    }
    DrawGaugeText(context, rect, text);
    // The background colour the fills left behind is not put back: nothing
    // drawn through this context afterwards relies on it.
    platform::ReleaseDeviceContext(control, context);
}

void FillBar(platform::DeviceContext context, const platform::Rect& rect, std::uint8_t percent) {
    const std::int32_t width = rect.right - rect.left;
    // Truncates toward zero; the bar grows leftwards from the right edge so
    // that it lies under the right-aligned value text.
    const std::int32_t fill = (static_cast<std::int32_t>(percent) * width) / 100;
    const std::int32_t x = rect.right - fill;
    FillSolid(context, platform::Rect{x, rect.top, rect.right, rect.bottom}, GAUGE_BAR_COLOUR);
    FillSolid(context, platform::Rect{rect.left, rect.top, x, rect.bottom}, GAUGE_REST_COLOUR);
}

bool FillSolid(platform::DeviceContext context, const platform::Rect& rect,
               platform::Colour colour) {
    platform::SetBackgroundColour(context, colour);
    // An opaque text-out without text is the platform's cheapest solid fill.
    return platform::TextOut(context, 0, 0, platform::TEXT_OUT_OPAQUE, &rect, nullptr, 0, nullptr);
}

}  // namespace display
