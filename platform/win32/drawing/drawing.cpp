// Drawing into a device context: the Windows API's own services. Colours are
// COLORREF values and the text-out option and draw-text formats have the
// API's numbers.

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

bool TextOut(DeviceContext context, std::int32_t x, std::int32_t y, std::uint32_t options,
             const Rect* rect, const char16_t* text, std::uint32_t count,
             const std::int32_t* spacing) {
    return ExtTextOutW(ToHdc(context), x, y, options, win32::ToRect(rect), win32::Wide(text), count,
                       reinterpret_cast<const INT*>(spacing)) != FALSE;
}

// The index flag marks an index of the system's colours where a colour
// could stand; the desktop's GetSysColor takes the bare index.
Colour GetSystemColour(std::int32_t index) {
    return GetSysColor(index & ~SYSTEM_COLOUR_INDEX_FLAG);
}

std::int32_t DrawText(DeviceContext context, const char16_t* text, std::int32_t count, Rect* rect,
                      std::uint32_t format) {
    // DrawTextW writes to the text only with DT_MODIFYSTRING, which a
    // constant text cannot allow.
    return DrawTextW(ToHdc(context), const_cast<wchar_t*>(win32::Wide(text)), count,
                     win32::ToRect(rect), format & ~DT_MODIFYSTRING);
}

}  // namespace platform
