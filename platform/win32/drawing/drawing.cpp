// Drawing into a device context: the Windows API's own services. Colours are
// COLORREF values and the text-out option and draw-text formats have the
// API's numbers.

#include "platform/win32/drawing/gauge_access.h"
#include "platform/win32/windows_api.h"

namespace platform {

static_assert(TEXT_OUT_OPAQUE == ETO_OPAQUE);
static_assert(BACKGROUND_TRANSPARENT == TRANSPARENT && BACKGROUND_OPAQUE == OPAQUE);
static_assert(DRAW_TEXT_RIGHT == DT_RIGHT && DRAW_TEXT_VERTICAL_CENTRE == DT_VCENTER &&
              DRAW_TEXT_SINGLE_LINE == DT_SINGLELINE && DRAW_TEXT_NO_PREFIX == DT_NOPREFIX);

using win32::ToHdc;

Colour SetBackgroundColour(DeviceContext context, Colour colour) {
    return SetBkColor(ToHdc(context), colour);
}

Colour SetTextColour(DeviceContext context, Colour colour) {
    return SetTextColor(ToHdc(context), colour);
}

std::int32_t SetBackgroundMode(DeviceContext context, std::int32_t mode) {
    return SetBkMode(ToHdc(context), mode);
}

// An opaque fill is drawn in the theme's colours while high contrast is on.
bool TextOut(DeviceContext context, std::int32_t x, std::int32_t y, std::uint32_t options,
             const Rect* rect, const char16_t* text, std::uint32_t count,
             const std::int32_t* spacing) {
    HDC hdc = ToHdc(context);
    const COLORREF asked = GetBkColor(hdc);
    const COLORREF shown = (options & ETO_OPAQUE) ? win32::ContrastFillColour(asked) : asked;
    if (shown != asked) SetBkColor(hdc, shown);
    const bool done = ExtTextOutW(hdc, x, y, options, win32::ToRect(rect), win32::Wide(text), count,
                                  reinterpret_cast<const INT*>(spacing)) != FALSE;
    if (shown != asked) SetBkColor(hdc, asked);
    if (done && (options & ETO_OPAQUE) && rect != nullptr)
        win32::NoteFill(hdc, *win32::ToRect(rect), asked);
    return done;
}

// The index flag marks an index of the system's colours where a colour
// could stand; the desktop's GetSysColor takes the bare index.
Colour GetSystemColour(std::int32_t index) {
    return GetSysColor(index & ~SYSTEM_COLOUR_INDEX_FLAG);
}

namespace {

// DrawTextW writes to the text only with DT_MODIFYSTRING, which a constant
// text cannot allow.
int DrawTextIn(HDC hdc, const char16_t* text, std::int32_t count, Rect* rect,
               std::uint32_t format) {
    return DrawTextW(hdc, const_cast<wchar_t*>(win32::Wide(text)), count, win32::ToRect(rect),
                     format & ~DT_MODIFYSTRING);
}

// In high contrast: the window text over the fields, the highlighted text
// over the bar, each clipped to its part.
int DrawContrastText(HDC hdc, const char16_t* text, std::int32_t count, Rect* rect,
                     std::uint32_t format) {
    const COLORREF asked = GetTextColor(hdc);
    const std::optional<RECT> bar = win32::BarOf(hdc);
    int saved = SaveDC(hdc);
    if (bar) ExcludeClipRect(hdc, bar->left, bar->top, bar->right, bar->bottom);
    SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
    const int height = DrawTextIn(hdc, text, count, rect, format);
    RestoreDC(hdc, saved);
    if (bar) {
        saved = SaveDC(hdc);
        IntersectClipRect(hdc, bar->left, bar->top, bar->right, bar->bottom);
        SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        DrawTextIn(hdc, text, count, rect, format);
        RestoreDC(hdc, saved);
    }
    SetTextColor(hdc, asked);
    return height;
}

}  // namespace

std::int32_t DrawText(DeviceContext context, const char16_t* text, std::int32_t count, Rect* rect,
                      std::uint32_t format) {
    HDC hdc = ToHdc(context);
    if (text != nullptr && count >= -1) {
        const std::u16string_view value =
            count == -1 ? std::u16string_view(text) : std::u16string_view(text, count);
        win32::NameDrawnValue(WindowFromDC(hdc), value);
    }
    if (win32::HighContrastOn()) return DrawContrastText(hdc, text, count, rect, format);
    return DrawTextIn(hdc, text, count, rect, format);
}

}  // namespace platform
