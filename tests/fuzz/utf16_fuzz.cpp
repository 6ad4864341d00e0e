// UTF-8 names turned into UTF-16. Properties: a reference decoder written
// from the standard's table of well-formed byte sequences decides what is
// accepted; what is accepted converts to exactly the reference's units, and
// encodes back to the input; a refused or too long name leaves the empty
// text; nothing is written past the given capacity.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/utf16.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// The well-formed sequences: lead byte ranges and the range of the second
// byte that each allows; later bytes are always 80..BF.
struct SequenceForm {
    unsigned char leadLow, leadHigh, secondLow, secondHigh;
    int length;
};
constexpr SequenceForm FORMS[] = {
    {0x00, 0x7F, 0, 0, 1},       {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3},
    {0xE1, 0xEC, 0x80, 0xBF, 3}, {0xED, 0xED, 0x80, 0x9F, 3}, {0xEE, 0xEF, 0x80, 0xBF, 3},
    {0xF0, 0xF0, 0x90, 0xBF, 4}, {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4},
};

std::optional<std::vector<char16_t>> ReferenceUnits(std::string_view text) {
    std::vector<char16_t> units;
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const SequenceForm* form = nullptr;
        for (const SequenceForm& candidate : FORMS) {
            if (lead >= candidate.leadLow && lead <= candidate.leadHigh) form = &candidate;
        }
        if (form == nullptr || text.size() - at < static_cast<std::size_t>(form->length)) return {};
        char32_t point = form->length == 1 ? lead : lead & (0xFF >> (form->length + 1));
        for (int i = 1; i < form->length; ++i) {
            const auto byte = static_cast<unsigned char>(text[at + i]);
            const unsigned char low = i == 1 ? form->secondLow : 0x80;
            const unsigned char high = i == 1 ? form->secondHigh : 0xBF;
            if (byte < low || byte > high) return {};
            point = (point << 6) | (byte & 0x3F);
        }
        if (point >= 0x10000) {
            units.push_back(static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(point));
        }
        at += static_cast<std::size_t>(form->length);
    }
    return units;
}

// UTF-16 back to UTF-8, the units assumed well formed.
std::string Encode(const std::vector<char16_t>& units) {
    std::string text;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t point = units[i];
        if (point >= 0xD800 && point <= 0xDBFF)
            point = 0x10000 + ((point - 0xD800) << 10) + (units[++i] - 0xDC00);
        if (point < 0x80) {
            text += static_cast<char>(point);
        } else if (point < 0x800) {
            text += static_cast<char>(0xC0 | (point >> 6));
            text += static_cast<char>(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            text += static_cast<char>(0xE0 | (point >> 12));
            text += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (point & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (point >> 18));
            text += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (point & 0x3F));
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t capacity = data[0];  // 0 to 255: the root entry holds 260
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::optional<std::vector<char16_t>> expected = ReferenceUnits(text);

    // Exactly `capacity` units, so a write past them is caught.
    const auto target = std::make_unique<char16_t[]>(capacity == 0 ? 1 : capacity);
    if (capacity == 0) target[0] = u'X';
    const bool converted = platform::linux_status::Utf8ToUtf16(text, target.get(), capacity);
    if (capacity == 0) {
        FUZZ_CHECK(!converted);
        FUZZ_CHECK(target[0] == u'X');
        return 0;
    }
    const bool fits = expected && expected->size() + 1 <= capacity;
    FUZZ_CHECK(converted == fits);
    if (!converted) {
        FUZZ_CHECK(target[0] == u'\0');
        return 0;
    }
    FUZZ_CHECK(std::equal(expected->begin(), expected->end(), target.get()));
    FUZZ_CHECK(target[expected->size()] == u'\0');
    FUZZ_CHECK(Encode(*expected) == text);
    return 0;
}
