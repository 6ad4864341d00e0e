#include "platform/wide_text.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

namespace {

constexpr char16_t kUntouched = u'#';

// A buffer of untouched units, so a test can see exactly which ones a call wrote.
std::array<char16_t, 16> Untouched() {
    std::array<char16_t, 16> buffer;
    buffer.fill(kUntouched);
    return buffer;
}

struct LengthCase {
    const char16_t* text;
    std::size_t length;
};

TEST(WideTextTest, LengthCountsUnitsBeforeTheNul) {
    const LengthCase cases[] = {
        {nullptr, 0},     {u"", 0},   {u"100", 3},
        {u"ｼｽﾃﾑ情報", 6}, {u"𠮷", 2},  // a surrogate pair is two units
        {u"a\0b", 1},
    };
    for (const LengthCase& c : cases) EXPECT_EQ(platform::WideLength(c.text), c.length);
}

struct CopyCase {
    const char16_t* source;
    std::u16string expected;
};

TEST(WideTextTest, CopyWritesTheTextAndItsNulOnly) {
    const CopyCase cases[] = {{nullptr, u""}, {u"", u""}, {u"全", u"全"}, {u"未使用", u"未使用"}};
    for (const CopyCase& c : cases) {
        auto buffer = Untouched();
        EXPECT_EQ(platform::WideCopy(buffer.data(), c.source), buffer.data());
        EXPECT_EQ(std::u16string(buffer.data()), c.expected);
        EXPECT_EQ(buffer[c.expected.size() + 1], kUntouched);
    }
}

struct ConcatCase {
    const char16_t* start;
    const char16_t* source;
    std::u16string expected;
};

TEST(WideTextTest, ConcatAppendsAfterTheExistingText) {
    const ConcatCase cases[] = {
        {u"全", u"他", u"全他"},     {u"", u"全", u"全"}, {u"未使用", nullptr, u"未使用"},
        {u"未使用", u"", u"未使用"}, {u"", nullptr, u""},
    };
    for (const ConcatCase& c : cases) {
        auto buffer = Untouched();
        platform::WideCopy(buffer.data(), c.start);
        EXPECT_EQ(platform::WideConcat(buffer.data(), c.source), buffer.data());
        EXPECT_EQ(std::u16string(buffer.data()), c.expected);
        EXPECT_EQ(buffer[c.expected.size() + 1], kUntouched);
    }
}

TEST(WideTextTest, NullTargetsAreRefused) {
    EXPECT_EQ(platform::WideCopy(nullptr, u"全"), nullptr);
    EXPECT_EQ(platform::WideConcat(nullptr, u"全"), nullptr);
}

TEST(WideTextTest, CopyBytesMovesExactlyTheCount) {
    const std::uint8_t source[] = {1, 2, 3, 4, 5};
    std::uint8_t target[] = {9, 9, 9, 9, 9};
    platform::CopyBytes(target, source, 3);
    EXPECT_EQ((std::array<std::uint8_t, 5>{1, 2, 3, 9, 9}),
              (std::array<std::uint8_t, 5>{target[0], target[1], target[2], target[3], target[4]}));
    platform::CopyBytes(nullptr, nullptr, 0);  // an empty move needs no memory at all
}

}  // namespace
