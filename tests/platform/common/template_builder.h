// Builds dialog templates in the platform's standard binary form for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace template_test {

struct ItemSpec {
    std::int16_t x = 0, y = 0, cx = 40, cy = 8;
    std::uint16_t id = 0xFFFF;
    std::u16string text;
    std::uint32_t style = 0x50020000;  // child, visible, group, left text
    std::uint32_t exStyle = 0;
    std::uint16_t classOrdinal = 0x0082;
    std::vector<std::uint8_t> creationData;
};

// A static control item.
inline ItemSpec Static(std::int16_t x, std::int16_t y, std::int16_t cx, std::int16_t cy,
                       std::uint16_t id, std::u16string text, std::uint32_t style = 0x50020000,
                       std::uint32_t exStyle = 0) {
    ItemSpec item;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    item.text = std::move(text);
    item.style = style;
    item.exStyle = exStyle;
    return item;
}

struct DialogSpec {
    std::uint32_t style = 0x80C800C0;  // pop-up, caption, system menu, modal frame, font
    std::uint32_t exStyle = 0x80000000;
    std::int16_t x = 0, y = 0, cx = 134, cy = 60;
    std::u16string title = u"Test";
    std::uint16_t pointSize = 12;
    std::u16string face = u"System";
    std::vector<ItemSpec> items;
};

std::vector<std::uint8_t> BuildTemplate(const DialogSpec& layout);

// Offsets of fields in a built template, for tests that break one.
constexpr std::size_t COUNT_OFFSET = 8;

}  // namespace template_test
