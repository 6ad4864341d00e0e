#include "platform/linux/utf16.h"

#include <cstdint>
#include <optional>

namespace platform::linux_status {
namespace {

struct DecodedPoint {
    char32_t value;
    std::size_t length;
};

constexpr bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The code point starting at `at`, or nothing when the sequence there is
// not well-formed.
std::optional<DecodedPoint> DecodeAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) return DecodedPoint{lead, 1};

    std::size_t length = 0;
    char32_t value = 0;
    char32_t smallest = 0;  // below it the form is overlong
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, smallest = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() - at < length) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!IsContinuation(byte)) return std::nullopt;
        value = (value << 6) | (byte & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return std::nullopt;
    }
    return DecodedPoint{value, length};
}

}  // namespace

bool Utf8ToUtf16(std::string_view text, char16_t* target, std::size_t capacity) {
    if (capacity == 0) return false;
    std::size_t written = 0;
    const auto refuse = [&] {
        target[0] = u'\0';
        return false;
    };
    for (std::size_t at = 0; at < text.size();) {
        const std::optional<DecodedPoint> point = DecodeAt(text, at);
        if (!point) return refuse();
        at += point->length;
        const std::size_t units = point->value >= 0x10000 ? 2 : 1;
        if (capacity - written <= units) return refuse();  // room for the NUL too
        if (units == 1) {
            target[written++] = static_cast<char16_t>(point->value);
        } else {
            const char32_t offset = point->value - 0x10000;
            target[written++] = static_cast<char16_t>(0xD800 + (offset >> 10));
            target[written++] = static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
        }
    }
    target[written] = u'\0';
    return true;
}

}  // namespace platform::linux_status
