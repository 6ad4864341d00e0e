#include "tests/platform/common/template_builder.h"

namespace template_test {

namespace {

void PutWord(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutDword(std::vector<std::uint8_t>& out, std::uint32_t value) {
    PutWord(out, static_cast<std::uint16_t>(value & 0xFFFF));
    PutWord(out, static_cast<std::uint16_t>(value >> 16));
}

void PutText(std::vector<std::uint8_t>& out, const std::u16string& text) {
    for (const char16_t unit : text) PutWord(out, unit);
    PutWord(out, 0);
}

}  // namespace

std::vector<std::uint8_t> BuildTemplate(const DialogSpec& layout) {
    std::vector<std::uint8_t> out;
    PutDword(out, layout.style);
    PutDword(out, layout.exStyle);
    PutWord(out, static_cast<std::uint16_t>(layout.items.size()));
    for (const std::int16_t value : {layout.x, layout.y, layout.cx, layout.cy}) {
        PutWord(out, static_cast<std::uint16_t>(value));
    }
    PutWord(out, 0);  // no menu
    PutWord(out, 0);  // default class
    PutText(out, layout.title);
    if (layout.style & 0x40) {
        PutWord(out, layout.pointSize);
        PutText(out, layout.face);
    }
    for (const ItemSpec& item : layout.items) {
        while (out.size() % 4 != 0) out.push_back(0);
        PutDword(out, item.style);
        PutDword(out, item.exStyle);
        for (const std::int16_t value : {item.x, item.y, item.cx, item.cy}) {
            PutWord(out, static_cast<std::uint16_t>(value));
        }
        PutWord(out, item.id);
        PutWord(out, 0xFFFF);
        PutWord(out, item.classOrdinal);
        PutText(out, item.text);
        PutWord(out, static_cast<std::uint16_t>(item.creationData.size()));
        out.insert(out.end(), item.creationData.begin(), item.creationData.end());
    }
    return out;
}

}  // namespace template_test
