#include "platform/wide_text.h"

#include <gtest/gtest.h>

#include <sys/types.h>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

namespace {

// `head` followed by `count` copies of `fill`.
std::u16string Padded(std::u16string_view head, std::size_t count, char16_t fill) {
    std::u16string text(head);
    text.append(count, fill);
    return text;
}

std::u16string Widen(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

// Formats into a buffer far larger than any result here and checks that the
// returned length is that of the text written.
template <typename... Args>
std::u16string Format(const char16_t* format, Args... args) {
    char16_t buffer[512];
    const std::size_t length = platform::WideFormat(buffer, std::size(buffer), format, args...);
    const std::u16string text(buffer);
    EXPECT_EQ(length, text.size());
    return text;
}

// The C standard gives the blank flag to the signed conversions only; the
// Windows C library prefixes a blank to an unsigned decimal as well. There
// the oracle is asked without the blank, which by the standard changes
// nothing for "u".
std::string OracleFormat(std::string format) {
#ifdef _WIN32
    if (format.size() >= 2 && format[format.size() - 2] == 'u') std::erase(format, ' ');
#endif
    return format;
}

// C's snprintf on the same ASCII format is the oracle for the numeric cases.
template <typename... Args>
void ExpectSameAsC(const std::string& format, Args... args) {
    char expected[512];
    const int expectedLength =
        std::snprintf(expected, sizeof expected, OracleFormat(format).c_str(), args...);
    ASSERT_GE(expectedLength, 0) << format;
    EXPECT_EQ(Format(Widen(format).c_str(), args...), Widen(expected)) << format;
}

const char* const kFlags[] = {"",   "-",  "0",  "+",  " ",  "#",  "-0",
                              "+0", " 0", "-+", "#0", "#-", "+ ", "-#0+ "};
const char* const kWidths[] = {"", "1", "6", "25"};
const char* const kPrecisions[] = {"", ".", ".0", ".1", ".4", ".22"};

// Every combination of flags, width and precision for the integer
// directives, over values chosen at the edges of the argument's type.
template <typename Signed, typename Unsigned>
void CompareIntegersWithC(const std::string& size, std::initializer_list<Signed> signedValues,
                          std::initializer_list<Unsigned> unsignedValues) {
    for (const char* flags : kFlags)
        for (const char* width : kWidths)
            for (const char* precision : kPrecisions) {
                const std::string directive = std::string("%") + flags + width + precision + size;
                // '#' is undefined for the decimal directives, so C gives no oracle there.
                const bool decimalAllowed = std::string_view(flags).find('#') == std::string::npos;
                for (Signed value : signedValues) {
                    if (!decimalAllowed) break;
                    ExpectSameAsC("[" + directive + "d]", value);
                    ExpectSameAsC("[" + directive + "i]", value);
                }
                for (Unsigned value : unsignedValues) {
                    if (decimalAllowed) ExpectSameAsC("[" + directive + "u]", value);
                    ExpectSameAsC("[" + directive + "x]", value);
                    ExpectSameAsC("[" + directive + "X]", value);
                }
                if (::testing::Test::HasFailure()) return;
            }
}

TEST(WideFormatTest, IntIntegersMatchC) {
    CompareIntegersWithC<int, unsigned>("", {0, 1, -1, 42, -42, INT_MAX, INT_MIN},
                                        {0u, 1u, 42u, 255u, 0xDEADBEEFu, UINT_MAX});
}

TEST(WideFormatTest, CharIntegersArePromotedThenCutBack) {
    CompareIntegersWithC<int, int>("hh", {0, 127, 128, -128, -129, 300}, {0, 255, 256, 300, -1});
}

TEST(WideFormatTest, ShortIntegersArePromotedThenCutBack) {
    CompareIntegersWithC<int, int>("h", {0, 32767, 32768, -32768, -32769, 70000},
                                   {0, 65535, 65536, 70000, -1});
}

TEST(WideFormatTest, LongIntegersMatchC) {
    CompareIntegersWithC<long, unsigned long>("l", {0L, -1L, LONG_MAX, LONG_MIN},
                                              {0UL, ULONG_MAX / 2 + 1, ULONG_MAX});
}

TEST(WideFormatTest, LongLongIntegersMatchC) {
    CompareIntegersWithC<long long, unsigned long long>("ll", {0LL, -5LL, LLONG_MAX, LLONG_MIN},
                                                        {0ULL, 1000ULL, ULLONG_MAX});
}

TEST(WideFormatTest, SizeIntegersMatchC) {
    CompareIntegersWithC<ssize_t, std::size_t>("z", {ssize_t{0}, ssize_t{-7}, SSIZE_MAX},
                                               {std::size_t{0}, std::size_t{12345}, SIZE_MAX});
}

TEST(WideFormatTest, StarWidthsAndPrecisionsMatchC) {
    for (int width : {-12, -1, 0, 3, 12})
        for (int precision : {-3, -1, 0, 2, 9})
            for (int value : {0, 7, -7, INT_MIN}) {
                ExpectSameAsC("[%*.*d]", width, precision, value);
                ExpectSameAsC("[%0*.*x]", width, precision, value);
                ExpectSameAsC("[%-*d|%.*i]", width, value, precision, value);
            }
}

TEST(WideFormatTest, CharactersAndPercentsMatchC) {
    for (const char* directive : {"%c", "%5c", "%-5c", "%.0c", "%%", "a%%b%%"})
        for (int unit : {'a', '~', ' '}) ExpectSameAsC(std::string("[") + directive + "]", unit);
}

TEST(WideFormatTest, ProgramFormatsGiveTheirTexts) {
    EXPECT_EQ(Format(u"%u", 100u), u"100");
    EXPECT_EQ(Format(u"%02u:%02u:%02u", 1u, 2u, 3u), u"01:02:03");
    EXPECT_EQ(Format(u"%03lu", 7UL), u"007");
    EXPECT_EQ(Format(u"%3lu", 5UL), u"  5");
    EXPECT_EQ(Format(u"%03lu,%s", 446UL, u"744"), u"446,744");
    EXPECT_EQ(Format(u"%3lu,%s", 18UL, u"446,744"), u" 18,446,744");
}

struct TextCase {
    const char16_t* format;
    const char16_t* text;
    std::u16string expected;
};

TEST(WideFormatTest, TextsAreUtf16Units) {
    const char16_t unterminated[] = {u'a', u'b', u'c'};
    const TextCase cases[] = {
        {u"%s", u"ｼｽﾃﾑ情報", u"ｼｽﾃﾑ情報"},
        {u"%.2s", u"ｼｽﾃﾑ情報", u"ｼｽ"},
        {u"%8s", u"ｼｽﾃﾑ情報", u"  ｼｽﾃﾑ情報"},
        {u"%-8s|", u"ｼｽﾃﾑ情報", u"ｼｽﾃﾑ情報  |"},
        {u"%08s", u"全", u"       全"},  // the 0 flag pads texts with blanks
        {u"%.1s", u"𠮷", u"\xD842"},     // precision counts units, not code points
        {u"%3s|%s", u"", u"   |"},
        {u"%.0s", u"全", u""},
        {u"%s", nullptr, u"(null)"},
        {u"%.3s", nullptr, u"(nu"},
        {u"%.3s", unterminated, u"abc"},  // a precision bounds the read as well
    };
    for (const TextCase& c : cases) EXPECT_EQ(Format(c.format, c.text, u""), c.expected);
    EXPECT_EQ(Format(u"%c|%3c|%-3c|", int{u'情'}, int{u'ｼ'}, int{u'報'}), u"情|  ｼ|報  |");
}

struct UnknownCase {
    const char16_t* format;
    std::u16string expected;
};

// Each case is given the one argument 7: a directive that is copied must
// leave it for the "%d" that follows.
TEST(WideFormatTest, UnknownDirectivesAreCopiedAndTakeNoArgument) {
    const UnknownCase cases[] = {
        {u"%y|%d", u"%y|7"},     {u"%-05.3q|%d", u"%-05.3q|7"}, {u"%*y|%d", u"%*y|7"},
        {u"%.*k|%d", u"%.*k|7"}, {u"%ls|%d", u"%ls|7"},         {u"%lc|%d", u"%lc|7"},
        {u"%lll|%d", u"%lll|7"}, {u"%hz|%d", u"%hz|7"},         {u"%*5d|%d", u"%*5d|7"},
        {u"%5%|%d", u"%|7"},     {u"%*%|%d", u"%|7"},           {u"%d|%", u"7|%"},
        {u"%d|%5", u"7|%5"},     {u"%d|%l", u"7|%l"},           {u"%d|%-*.*", u"7|%-*.*"},
        {u"%全%d", u"%全7"},
    };
    for (const UnknownCase& c : cases) EXPECT_EQ(Format(c.format, 7), c.expected);
}

constexpr char16_t kCanary = u'\xFFFE';

// Every capacity from nothing to more than enough: the text is cut at
// capacity - 1 units, always terminated, and nothing past capacity changes.
TEST(WideFormatTest, EveryCapacityCutsWithoutWritingPastIt) {
    const std::u16string full = u" 18,446,744|情   |-0042|ff";
    for (std::size_t capacity = 0; capacity <= full.size() + 1; ++capacity) {
        std::u16string buffer(full.size() + 8, kCanary);
        const std::size_t length =
            platform::WideFormat(buffer.data(), capacity, u"%3lu,%s|%-4c|%05d|%x", 18UL, u"446,744",
                                 int{u'情'}, -42, 255u);
        EXPECT_EQ(length, full.size());
        const std::size_t kept = capacity == 0 ? 0 : std::min(capacity - 1, full.size());
        EXPECT_EQ(buffer.substr(0, kept), full.substr(0, kept)) << capacity;
        if (capacity > 0) {
            EXPECT_EQ(buffer[kept], u'\0') << capacity;
        }
        EXPECT_EQ(buffer.find_first_not_of(kCanary, capacity), std::u16string::npos) << capacity;
    }
}

TEST(WideFormatTest, AResultOf255UnitsFitsAFormatBuffer) {
    char16_t buffer[257];
    buffer[256] = kCanary;
    EXPECT_EQ(platform::WideFormat(buffer, 256, u"%255u", 7u), 255u);
    EXPECT_EQ(std::u16string(buffer), std::u16string(254, u' ') + u"7");
    EXPECT_EQ(platform::WideFormat(buffer, 256, u"%256u", 7u), 256u);
    EXPECT_EQ(std::u16string(buffer), std::u16string(255, u' '));
    EXPECT_EQ(buffer[256], kCanary);
}

struct HugeCase {
    const char16_t* format;
    int first;
    int second;
    std::size_t length;
    std::u16string kept;  // the 15 units that fit
};

// Widths and precisions far beyond the buffer are counted, not written.
TEST(WideFormatTest, HugeWidthsAndPrecisionsAreCountedNotWritten) {
    const HugeCase cases[] = {
        {u"%999999999d", 1, 0, 999999999, std::u16string(15, u' ')},
        {u"%-999999999d", 1, 0, 999999999, Padded(u"1", 14, u' ')},
        {u"%0999999999d", -1, 0, 999999999, Padded(u"-", 14, u'0')},
        {u"%.999999999d", 1, 0, 999999999, std::u16string(15, u'0')},
        {u"%*d", INT_MAX, 1, INT_MAX, std::u16string(15, u' ')},
        {u"%*d", INT_MIN, 1, 2147483648u, Padded(u"1", 14, u' ')},
        {u"%.*x", INT_MAX, 1, INT_MAX, std::u16string(15, u'0')},
        {u"%99999999999999999999999999d", 1, 0, SIZE_MAX, std::u16string(15, u' ')},
        {u"%d%99999999999999999999d%99999999999999999999d", 1, 2, SIZE_MAX, Padded(u"1", 14, u' ')},
    };
    for (const HugeCase& c : cases) {
        std::u16string buffer(24, kCanary);
        EXPECT_EQ(platform::WideFormat(buffer.data(), 16, c.format, c.first, c.second), c.length);
        std::u16string kept = c.kept;
        kept.push_back(u'\0');
        EXPECT_EQ(buffer.substr(0, 16), kept);
        EXPECT_EQ(buffer.find_first_not_of(kCanary, 16), std::u16string::npos);
    }
    std::u16string buffer(8, kCanary);
    EXPECT_EQ(platform::WideFormat(buffer.data(), 4, u"%999999999s", u"全"), 999999999u);
    EXPECT_EQ(buffer.substr(0, 5), std::u16string(u"   \0", 4) + kCanary);
}

TEST(WideFormatTest, NullFormatAndTargetAreSafe) {
    char16_t buffer[4] = {kCanary, kCanary, kCanary, kCanary};
    EXPECT_EQ(platform::WideFormat(buffer, 4, nullptr), 0u);
    EXPECT_EQ(buffer[0], u'\0');
    EXPECT_EQ(platform::WideFormat(nullptr, 4, u"%u", 1234u), 4u);
}

}  // namespace
