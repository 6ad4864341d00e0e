#include "platform/win32/windowing/dialog_template.h"

#include <algorithm>

#include "platform/shared/dialog_template.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {
namespace {

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; }

// Face names are compared as the font mapper does, without case.
bool IsSystemFace(std::u16string_view face) {
    constexpr std::u16string_view system = u"system";
    return std::equal(face.begin(), face.end(), system.begin(), system.end(),
                      [](char16_t a, char16_t b) { return AsciiLower(a) == b; });
}

bool IsRightAlignedText(const shared::DialogItemTemplate& item) {
    return item.windowClass.kind == shared::TemplateName::Kind::Ordinal &&
           item.windowClass.ordinal == CLASS_STATIC && (item.style & SS_TYPEMASK) == SS_LEFT &&
           (item.exStyle & WS_EX_RIGHT);
}

void PutDword(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t DwordAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= std::uint32_t{bytes[at + i]} << (8 * i);
    return value;
}

}  // namespace

std::optional<DesktopTemplate> AdaptDialogTemplate(const void* dialogTemplate, std::size_t size,
                                                   std::u16string_view face) {
    const std::optional<shared::DialogTemplate> parsed =
        shared::ParseDialogTemplate(dialogTemplate, size);
    if (!parsed) return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(dialogTemplate);

    DesktopTemplate adapted;
    std::vector<std::uint8_t>& out = adapted.bytes;
    const bool replaceFace = parsed->hasFont && IsSystemFace(parsed->faceName) && !face.empty();
    // The header up to its face, the face, then the items as they stand. The
    // items keep their alignment: both copies start on a DWORD boundary.
    out.assign(bytes, bytes + (replaceFace ? parsed->faceOffset : parsed->headerEnd));
    if (replaceFace) {
        for (char16_t c : face) {
            out.push_back(static_cast<std::uint8_t>(c & 0xFF));
            out.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        out.insert(out.end(), {0, 0});
    }
    while (out.size() % 4 != 0) out.push_back(0);
    const std::size_t itemsStart = parsed->items.empty() ? size : parsed->items.front().offset;
    const std::size_t moved = out.size() - itemsStart;  // how far the items move, modulo wrap
    if (itemsStart < size) out.insert(out.end(), bytes + itemsStart, bytes + size);

    if (parsed->exStyle & EXSTYLE_CAPTION_OK) {
        adapted.captionOk = true;
        PutDword(out, 0, parsed->style | WS_MINIMIZEBOX);
        PutDword(out, 4, parsed->exStyle & ~EXSTYLE_CAPTION_OK);
    }
    for (const shared::DialogItemTemplate& item : parsed->items) {
        if (!IsRightAlignedText(item)) continue;
        const std::size_t at = item.offset + moved;
        PutDword(out, at, DwordAt(out, at) | SS_RIGHT);
    }
    return adapted;
}

}  // namespace platform::win32
