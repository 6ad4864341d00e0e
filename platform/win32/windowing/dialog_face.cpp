#include "platform/win32/windowing/dialog_face.h"

#include <algorithm>
#include <vector>

#include "platform/win32/windows_api.h"

namespace platform::win32 {
namespace {

int CALLBACK NoteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

// The font mapper would hand out another face for a name it does not know,
// so the name is looked up among the installed families first.
bool IsInstalled(HDC screen, const LOGFONTW& font) {
    LOGFONTW wanted = font;
    bool found = false;
    EnumFontFamiliesExW(screen, &wanted, NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

bool DrawsAll(HDC screen, const LOGFONTW& description, std::u16string_view probe) {
    HFONT font = CreateFontIndirectW(&description);
    if (font == nullptr) return false;
    HGDIOBJ previous = SelectObject(screen, font);
    std::vector<WORD> glyphs(probe.size());
    const DWORD converted =
        GetGlyphIndicesW(screen, Wide(probe.data()), static_cast<int>(probe.size()), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(screen, previous);
    DeleteObject(font);
    return converted == probe.size() &&
           std::none_of(glyphs.begin(), glyphs.end(), [](WORD glyph) { return glyph == 0xFFFF; });
}

}  // namespace

bool FaceDrawsAll(std::u16string_view face, std::u16string_view probe) {
    LOGFONTW description{};
    if (face.empty() || face.size() >= LF_FACESIZE) return false;
    std::copy(face.begin(), face.end(), description.lfFaceName);
    description.lfCharSet = DEFAULT_CHARSET;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return false;
    const bool draws = IsInstalled(screen, description) && DrawsAll(screen, description, probe);
    ReleaseDC(nullptr, screen);
    return draws;
}

const std::u16string& DialogFace() {
    static const std::u16string face = [] {
        for (const std::u16string_view candidate : JAPANESE_FACES) {
            if (FaceDrawsAll(candidate, JAPANESE_PROBE)) return std::u16string(candidate);
        }
        return std::u16string(FALLBACK_DIALOG_FACE);
    }();
    return face;
}

}  // namespace platform::win32
