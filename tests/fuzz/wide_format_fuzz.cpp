// The wide formatter, one directive at a time between literal texts, with
// the flags, widths (digits or '*'), precisions, length modifiers and
// conversions it takes. Properties: the reference, the C library's printf
// of the same directive and argument, gives the same characters and the
// same length; a smaller buffer holds the same text cut, always ended by a
// NUL, never written past.
#include <sys/types.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/wide_text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

constexpr std::size_t RESULT_CHARS = 2048;

std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// Printable ASCII without '%', read from the input.
std::string Literal(fuzz::Input& input, std::size_t longest) {
    std::string text;
    for (std::size_t length = input.Number(static_cast<std::uint32_t>(longest + 1)); length > 0;
         --length) {
        const char c = static_cast<char>(' ' + input.Byte() % 95);
        text += c == '%' ? '.' : c;
    }
    return text;
}

// Formats with both, the width and precision arguments first when given.
template <typename Narrow, typename Wide>
void Compare(const std::string& format, std::optional<int> width, std::optional<int> precision,
             Narrow narrow, Wide wide, std::size_t capacity) {
    char expected[RESULT_CHARS];
    int expectedLength = 0;
    const std::u16string wideFormat = Widen(format);
    auto full = std::make_unique<char16_t[]>(RESULT_CHARS);
    auto cut = std::make_unique<char16_t[]>(capacity);
    std::size_t length = 0;
    std::size_t cutLength = 0;
    if (width && precision) {
        expectedLength =
            std::snprintf(expected, sizeof expected, format.c_str(), *width, *precision, narrow);
        length = platform::WideFormat(full.get(), RESULT_CHARS, wideFormat.c_str(), *width,
                                      *precision, wide);
        cutLength =
            platform::WideFormat(cut.get(), capacity, wideFormat.c_str(), *width, *precision, wide);
    } else if (width) {
        expectedLength = std::snprintf(expected, sizeof expected, format.c_str(), *width, narrow);
        length = platform::WideFormat(full.get(), RESULT_CHARS, wideFormat.c_str(), *width, wide);
        cutLength = platform::WideFormat(cut.get(), capacity, wideFormat.c_str(), *width, wide);
    } else if (precision) {
        expectedLength =
            std::snprintf(expected, sizeof expected, format.c_str(), *precision, narrow);
        length =
            platform::WideFormat(full.get(), RESULT_CHARS, wideFormat.c_str(), *precision, wide);
        cutLength = platform::WideFormat(cut.get(), capacity, wideFormat.c_str(), *precision, wide);
    } else {
        expectedLength = std::snprintf(expected, sizeof expected, format.c_str(), narrow);
        length = platform::WideFormat(full.get(), RESULT_CHARS, wideFormat.c_str(), wide);
        cutLength = platform::WideFormat(cut.get(), capacity, wideFormat.c_str(), wide);
    }
    FUZZ_CHECK(expectedLength >= 0 && static_cast<std::size_t>(expectedLength) < RESULT_CHARS);
    FUZZ_CHECK(length == static_cast<std::size_t>(expectedLength));
    FUZZ_CHECK(std::u16string(full.get(), length) == Widen(std::string(expected, length)));
    FUZZ_CHECK(full[length] == u'\0');
    FUZZ_CHECK(cutLength == length);
    if (capacity > 0) {
        const std::size_t kept = std::min(length, capacity - 1);
        FUZZ_CHECK(std::u16string(cut.get(), kept) == std::u16string(full.get(), kept));
        FUZZ_CHECK(cut[kept] == u'\0');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::string before = Literal(input, 8);

    std::string directive = "%";
    const char conversion = "diuxXcs%"[input.Byte() % 8];
    if (conversion == '%') {
        Compare(before + "%%" + Literal(input, 8), std::nullopt, std::nullopt, 0, 0,
                input.Number(24));
        return 0;
    }
    const std::uint8_t flags = input.Byte();
    for (int bit = 0; bit < 5; ++bit) {
        if (flags & (1 << bit)) directive += "-0+ #"[bit];
    }
    std::optional<int> width;
    const std::uint8_t widthKind = input.Byte() % 3;
    if (widthKind == 1) directive += std::to_string(input.Number(400));
    if (widthKind == 2) {
        directive += '*';
        width = static_cast<int>(input.Number(801)) - 400;
    }
    std::optional<int> precision;
    const std::uint8_t precisionKind = input.Byte() % 4;
    if (precisionKind == 1) directive += "." + std::to_string(input.Number(400));
    if (precisionKind == 2) directive += ".";
    if (precisionKind == 3) {
        directive += ".*";
        precision = static_cast<int>(input.Number(801)) - 400;
    }
    const bool integer = conversion != 'c' && conversion != 's';
    static constexpr const char* SIZES[] = {"", "hh", "h", "l", "ll", "z"};
    const char* lengthModifier = integer ? SIZES[input.Byte() % 6] : "";
    directive += lengthModifier;
    directive += conversion;
    const std::string format = before + directive + Literal(input, 8);
    const std::size_t capacity = input.Number(64);

    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = (bits << 8) | input.Byte();
    const std::string_view sizeName = lengthModifier;
    const bool signedConversion = conversion == 'd' || conversion == 'i';
    if (conversion == 'c') {
        const int unit = ' ' + static_cast<int>(bits % 95);
        Compare(format, width, precision, unit, unit, capacity);
    } else if (conversion == 's') {
        const std::string text = Literal(input, 40);
        const std::u16string wideText = Widen(text);
        Compare(format, width, precision, text.c_str(), wideText.c_str(), capacity);
    } else if (sizeName == "l") {
        if (signedConversion)
            Compare(format, width, precision, static_cast<long>(bits), static_cast<long>(bits),
                    capacity);
        else
            Compare(format, width, precision, static_cast<unsigned long>(bits),
                    static_cast<unsigned long>(bits), capacity);
    } else if (sizeName == "ll") {
        if (signedConversion)
            Compare(format, width, precision, static_cast<long long>(bits),
                    static_cast<long long>(bits), capacity);
        else
            Compare(format, width, precision, static_cast<unsigned long long>(bits),
                    static_cast<unsigned long long>(bits), capacity);
    } else if (sizeName == "z") {
        if (signedConversion)
            Compare(format, width, precision, static_cast<ssize_t>(bits),
                    static_cast<ssize_t>(bits), capacity);
        else
            Compare(format, width, precision, static_cast<std::size_t>(bits),
                    static_cast<std::size_t>(bits), capacity);
    } else {
        // int, and what hh and h cut it down to.
        if (signedConversion)
            Compare(format, width, precision, static_cast<int>(bits), static_cast<int>(bits),
                    capacity);
        else
            Compare(format, width, precision, static_cast<unsigned>(bits),
                    static_cast<unsigned>(bits), capacity);
    }
    return 0;
}
