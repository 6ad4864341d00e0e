// Device contexts of windows, and the font they draw with.
//
// A context from GetDC starts with the stock system font, a bitmap font that
// has no Japanese characters on most desktops and is too large for the
// gauges. A context of a dialog or of one of its controls draws with the
// gauge font instead (platform/shared/gauge_font.h).

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/shared/gauge_font.h"
#include "platform/win32/drawing/gauge_access.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

struct ContextFont {
    HFONT dialogFont;
    HFONT contextFont;
};

// One context font per dialog font; like icons, they live until the
// process ends.
std::vector<ContextFont>& ContextFonts() {
    static std::vector<ContextFont> fonts;
    return fonts;
}

LONG ContextHeight(LONG dialogHeight) {
    // A negative height counts the characters alone, without the leading.
    const LONG scaled = shared::GaugeFontPixels(std::abs(dialogHeight));
    return dialogHeight < 0 ? -scaled : scaled;
}

HFONT ContextFontFor(HWND window) {
    const auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (dialogFont == nullptr) return nullptr;
    auto& fonts = ContextFonts();
    const auto known = std::find_if(fonts.begin(), fonts.end(), [&](const ContextFont& font) {
        return font.dialogFont == dialogFont;
    });
    if (known != fonts.end()) return known->contextFont;
    LOGFONTW description{};
    if (GetObjectW(dialogFont, sizeof description, &description) == 0) return nullptr;
    description.lfHeight = ContextHeight(description.lfHeight);
    description.lfWidth = 0;
    HFONT contextFont = CreateFontIndirectW(&description);
    if (contextFont != nullptr) fonts.push_back({dialogFont, contextFont});
    return contextFont;
}

}  // namespace

DeviceContext GetDeviceContext(WindowHandle window) {
    HDC context = GetDC(win32::ToHwnd(window));
    if (context == nullptr) return nullptr;
    if (HFONT font = ContextFontFor(win32::ToHwnd(window))) SelectObject(context, font);
    return win32::FromHdc(context);
}

bool ReleaseDeviceContext(WindowHandle window, DeviceContext context) {
    if (context == nullptr) return false;
    // The context goes back to the system's cache with its own font.
    SelectObject(win32::ToHdc(context), GetStockObject(SYSTEM_FONT));
    win32::ForgetContext(win32::ToHdc(context));
    return ReleaseDC(win32::ToHwnd(window), win32::ToHdc(context)) != 0;
}

}  // namespace platform
