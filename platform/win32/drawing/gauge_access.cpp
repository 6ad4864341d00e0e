#include "platform/win32/drawing/gauge_access.h"

#include <initguid.h>
#include <oleacc.h>

#include <map>

#include "platform/shared/accessible_name.h"
#include "platform/shared/gauge_colours.h"

namespace platform::win32 {
namespace {

std::optional<bool>& Override() {
    static std::optional<bool> on;
    return on;
}

// The names given, by control; a destroyed control's entry is overwritten
// when its handle is used again, and the annotation goes with the window.
std::map<HWND, std::u16string>& Names() {
    static std::map<HWND, std::u16string> names;
    return names;
}

// The system's annotation service, made once; null when COM or the service
// is not there (the names are then kept here alone).
IAccPropServices* Annotations() {
    static IAccPropServices* services = [] {
        IAccPropServices* made = nullptr;
        // S_FALSE: the thread had COM already; either way it is kept.
        if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return made;
        if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IAccPropServices, reinterpret_cast<void**>(&made)))) {
            made = nullptr;
        }
        return made;
    }();
    return services;
}

std::map<HDC, RECT>& Bars() {
    static std::map<HDC, RECT> bars;
    return bars;
}

std::u16string CaptionBefore(HWND control) {
    HWND caption = GetWindow(control, GW_HWNDPREV);
    if (caption == nullptr) return {};
    wchar_t text[256] = {};
    const int length = GetWindowTextW(caption, text, 256);
    return std::u16string(Utf16(text), static_cast<std::size_t>(length > 0 ? length : 0));
}

}  // namespace

bool HighContrastOn() {
    if (Override()) return *Override();
    HIGHCONTRASTW state{};
    state.cbSize = sizeof state;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof state, &state, 0) != FALSE &&
           (state.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void OverrideHighContrast(std::optional<bool> on) { Override() = on; }

COLORREF ContrastFillColour(COLORREF colour) {
    if (!HighContrastOn()) return colour;
    if (colour == shared::GAUGE_BAR_COLOUR) return GetSysColor(COLOR_HIGHLIGHT);
    if (colour == shared::GAUGE_PLAIN_COLOUR || colour == shared::GAUGE_REST_COLOUR) {
        return GetSysColor(COLOR_WINDOW);
    }
    return colour;
}

void NoteFill(HDC context, const RECT& rect, COLORREF asked) {
    if (asked == shared::GAUGE_BAR_COLOUR) Bars()[context] = rect;
}

std::optional<RECT> BarOf(HDC context) {
    const auto found = Bars().find(context);
    if (found == Bars().end()) return std::nullopt;
    return found->second;
}

void ForgetContext(HDC context) { Bars().erase(context); }

void NameDrawnValue(HWND control, std::u16string_view value) {
    if (control == nullptr) return;
    const std::u16string name = shared::DrawnValueName(CaptionBefore(control), value);
    std::u16string& given = Names()[control];
    if (name == given) return;
    given = name;
    if (IAccPropServices* services = Annotations()) {
        services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                 PROPID_ACC_NAME, const_cast<wchar_t*>(Wide(given.c_str())));
    }
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
}

std::u16string DrawnValueNameOf(HWND control) {
    const auto found = Names().find(control);
    return found != Names().end() ? found->second : std::u16string();
}

}  // namespace platform::win32
