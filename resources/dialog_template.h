// The platform's standard binary dialog template (not the extended form):
// a header, then one item per control, each item starting on a four-byte
// boundary counted from the start of the template. Menu and window class are
// always "none" and "default"; every item names its class by a predefined
// number and carries no creation data.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "resources/binary_writer.h"

namespace resources {

// Predefined class number of static controls.
constexpr std::uint16_t STATIC_CLASS = 0x0082;

// Header style bit: a point size and a face name follow the title.
constexpr std::uint32_t DS_SETFONT = 0x00000040;

struct DialogHeader {
    std::uint32_t style;
    std::uint32_t extendedStyle;
    std::int16_t x, y, cx, cy;
    std::u16string_view title;
    std::uint16_t pointSize;
    std::u16string_view fontFace;
};

struct DialogItem {
    std::uint32_t style;
    std::uint32_t extendedStyle;
    std::int16_t x, y, cx, cy;
    std::int16_t id;  // -1, no identifier, is stored as 0xFFFF
    std::uint16_t classNumber;
    std::u16string_view text;
};

// A name field given by number rather than by text.
template <class Sink>
constexpr void PutNumberedName(Sink& out, std::uint16_t number) {
    PutWord(out, 0xFFFF);
    PutWord(out, number);
}

template <class Sink>
constexpr void WriteDialogHeader(Sink& out, const DialogHeader& header, std::uint16_t itemCount) {
    PutDword(out, header.style);
    PutDword(out, header.extendedStyle);
    PutWord(out, itemCount);
    PutShort(out, header.x);
    PutShort(out, header.y);
    PutShort(out, header.cx);
    PutShort(out, header.cy);
    PutWord(out, 0);  // no menu
    PutWord(out, 0);  // the default dialog class
    PutText(out, header.title);
    if (header.style & DS_SETFONT) {
        PutWord(out, header.pointSize);
        PutText(out, header.fontFace);
    }
}

template <class Sink>
constexpr void WriteDialogItem(Sink& out, const DialogItem& item) {
    AlignToDword(out);
    PutDword(out, item.style);
    PutDword(out, item.extendedStyle);
    PutShort(out, item.x);
    PutShort(out, item.y);
    PutShort(out, item.cx);
    PutShort(out, item.cy);
    PutShort(out, item.id);
    PutNumberedName(out, item.classNumber);
    PutText(out, item.text);
    PutWord(out, 0);  // no creation data
}

template <class Sink>
constexpr void WriteDialogTemplate(Sink& out, const DialogHeader& header,
                                   std::span<const DialogItem> items) {
    WriteDialogHeader(out, header, static_cast<std::uint16_t>(items.size()));
    for (const DialogItem& item : items) WriteDialogItem(out, item);
}

}  // namespace resources
