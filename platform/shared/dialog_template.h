// The platform's standard binary dialog template, read into plain values.
//
// Layout (all values little-endian, texts NUL-terminated UTF-16):
//   header  style(32) exstyle(32) count(16) x y cx cy(16 each, signed)
//           menu, class: 0x0000 none | 0xFFFF ordinal(16) | text
//           title: text
//           with DS_SETFONT: point size(16), face: text
//   items   each on a 4-byte boundary counted from the template's start:
//           style(32) exstyle(32) x y cx cy(16, signed) id(16)
//           class: 0xFFFF ordinal(16) | text
//           title: 0xFFFF ordinal(16) | text
//           creation data: size(16), then that many bytes
// Reading never goes past the given size; anything that does not fit is a
// malformed template. Both back ends read the program's templates through
// this one reader: the Qt layer builds its dialogs from the values, the
// Windows one adapts the bytes where they lie.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::shared {

// A menu, class or title field: absent, a number, or a text.
struct TemplateName {
    enum class Kind { None, Ordinal, Text };
    Kind kind = Kind::None;
    std::uint16_t ordinal = 0;
    std::u16string text;
};

struct DialogItemTemplate {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint16_t id = 0;
    TemplateName windowClass;
    TemplateName title;
    std::uint16_t creationDataBytes = 0;
    std::size_t offset = 0;  // where the item (its style) starts
};

struct DialogTemplate {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    TemplateName menu;
    TemplateName windowClass;
    std::u16string title;
    bool hasFont = false;
    std::uint16_t pointSize = 0;
    std::u16string faceName;
    std::vector<DialogItemTemplate> items;
    // Where the face name starts (with DS_SETFONT), and where the header
    // ends, before the padding of the first item.
    std::size_t faceOffset = 0;
    std::size_t headerEnd = 0;
};

constexpr std::uint32_t DS_SETFONT = 0x00000040;

// Null when the template is in the extended form or truncated, a text runs
// past its end, the item count does not match the items present, or more
// than padding follows the last item.
std::optional<DialogTemplate> ParseDialogTemplate(const void* bytes, std::size_t size);

}  // namespace platform::shared
