#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "status/memory_survey.h"

namespace {

TEST(FormatGrouped, GroupsOfThreeWithAPaddedLeadingGroup) {
    const struct {
        std::uint64_t value;
        const char16_t* text;
    } cases[] = {
        {0, u""},
        {5, u"  5"},
        {999, u"999"},
        {1000, u"  1,000"},
        {1001, u"  1,001"},
        {10000, u" 10,000"},
        {1000000, u"  1,000,000"},
        {1234567, u"  1,234,567"},
        {4294967296ull, u"  4,294,967,296"},
        {25769803776ull, u" 25,769,803,776"},
        {std::numeric_limits<std::uint64_t>::max(), u" 18,446,744,073,709,551,615"},
    };
    for (const auto& c : cases) {
        text::OwnedText target(u"previous");
        status::FormatGrouped(c.value, target);
        const std::u16string expected = c.text;
        EXPECT_EQ(std::u16string(target.Text()), expected) << c.value;
        EXPECT_EQ(static_cast<std::size_t>(target.Length()), expected.size()) << c.value;
    }
}

TEST(PercentOf, WholeShareTruncated) {
    const struct {
        std::uint32_t part, whole;
        std::uint8_t percent;
    } cases[] = {{1, 3, 33},         {2, 3, 66}, {999, 1000, 99},
                 {5, 5, 100},        {0, 7, 0},  {4294967295u, 4294967295u, 100},
                 {1, 4294967295u, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(status::PercentOf(c.part, c.whole), c.percent) << c.part << "/" << c.whole;
    }
}

TEST(PercentOf, SixtyFourBitCounts) {
    EXPECT_EQ(status::PercentOf(std::uint64_t{1} << 32, std::uint64_t{1} << 33), 50);
    // 24 GiB of program memory with 6 GiB free: a 32-bit count would wrap.
    EXPECT_EQ(status::PercentOf(std::uint64_t{6} << 30, std::uint64_t{24} << 30), 25);
    const std::uint64_t most = std::numeric_limits<std::uint64_t>::max();
    EXPECT_EQ(status::PercentOf(most, most), 100);
}

TEST(PercentOf, OutOfRangeSharesAreClampedNotWrapped) {
    // A whole of 0 has no share; a part above its whole is full, never the
    // low byte of 300 (44) or an undefined conversion.
    EXPECT_EQ(status::PercentOf(0u, 0u), 0);
    EXPECT_EQ(status::PercentOf(5u, 0u), 0);
    EXPECT_EQ(status::PercentOf(std::uint64_t{9}, std::uint64_t{0}), 0);
    EXPECT_EQ(status::PercentOf(3u, 1u), 100);
    EXPECT_EQ(status::PercentOf(4294967295u, 1u), 100);
    EXPECT_EQ(status::PercentOf(std::numeric_limits<std::uint64_t>::max(), std::uint64_t{1}), 100);
}

}  // namespace
