#include "status/power_texts.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/fake/fake_platform.h"

namespace {

using platform::LIFETIME_UNKNOWN;
using platform::PowerStatusRecord;
using status::PowerTexts;

PowerStatusRecord Record(std::uint8_t external, std::uint8_t flags, std::uint8_t percent,
                         std::uint32_t life = LIFETIME_UNKNOWN,
                         std::uint32_t fullLife = LIFETIME_UNKNOWN) {
    PowerStatusRecord record{};
    record.externalPower = external;
    record.batteryFlags = flags;
    record.batteryPercent = percent;
    record.batteryLifeSeconds = life;
    record.batteryFullLifeSeconds = fullLife;
    record.backupFlags = platform::POWER_FLAG_NO_BATTERY;
    record.backupPercent = platform::PERCENT_UNKNOWN;
    record.backupLifeSeconds = LIFETIME_UNKNOWN;
    record.backupFullLifeSeconds = LIFETIME_UNKNOWN;
    return record;
}

std::u16string Read(const text::OwnedText& value) { return value.Text(); }

TEST(PowerTexts, ExternalPower) {
    const struct {
        std::uint8_t value;
        const char16_t* text;
    } cases[] = {{0, u"ｵﾌ"}, {1, u"ｵﾝ"}, {2, u"不明"}, {255, u"不明"}};
    for (const auto& c : cases) {
        PowerTexts texts;
        status::FormatPowerTexts(texts, Record(c.value, 0x01, 50));
        EXPECT_EQ(Read(texts.externalPowerText), c.text) << int(c.value);
    }
}

TEST(PowerTexts, StateIsReadBitByBit) {
    const struct {
        std::uint8_t flags;
        const char16_t* text;
    } cases[] = {
        {0x01, u"高"},          {0x03, u"高"},          {0x05, u"高"},     {0x06, u"低"},
        {0x09, u"高 : 充電中"}, {0x0A, u"低 : 充電中"}, {0x04, u"僅か"},   {0x0C, u"僅か : 充電中"},
        {0x84, u"僅か"},        {0x08, u"充電中"},      {0x88, u"充電中"}, {0x80, u"無し"},
        {0x00, u"不明"},        {0x40, u"不明"},        {0x70, u"不明"},   {0xFF, u"高 : 充電中"},
    };
    for (const auto& c : cases) {
        PowerTexts texts;
        PowerStatusRecord record = Record(1, c.flags, 50);
        record.backupFlags = c.flags;
        status::FormatPowerTexts(texts, record);
        EXPECT_EQ(Read(texts.batteryStateText), c.text) << std::hex << int(c.flags);
        EXPECT_EQ(Read(texts.backupStateText), c.text) << std::hex << int(c.flags);
    }
}

TEST(PowerTexts, PercentageDependsOnTheLevelOfTheSameBattery) {
    const struct {
        std::uint8_t flags;
        std::uint8_t percent;
        const char16_t* text;
    } cases[] = {
        {0x01, 0, u"不明"},  {0x02, 0, u"不明"},   {0xFF, 0, u"不明"},   {0x01, 5, u"5"},
        {0x04, 0, u"0"},     {0x08, 0, u"0"},      {0x80, 0, u"0"},      {0x00, 0, u"0"},
        {0x01, 100, u"100"}, {0x01, 101, u"不明"}, {0x04, 255, u"不明"}, {0x00, 101, u"不明"},
    };
    for (const auto& c : cases) {
        PowerTexts texts;
        status::FormatPowerTexts(texts, Record(1, c.flags, c.percent));
        EXPECT_EQ(Read(texts.batteryPercentText), c.text)
            << std::hex << int(c.flags) << " " << std::dec << int(c.percent);
    }
}

TEST(PowerTexts, BatteriesHaveIndependentLevels) {
    PowerStatusRecord record = Record(1, 0x01, 0);
    record.backupFlags = 0x04;
    record.backupPercent = 0;
    PowerTexts texts;
    status::FormatPowerTexts(texts, record);
    EXPECT_EQ(Read(texts.batteryPercentText), u"不明");
    EXPECT_EQ(Read(texts.backupPercentText), u"0");
}

TEST(PowerTexts, Lifetimes) {
    const struct {
        std::uint32_t seconds;
        const char16_t* text;
    } cases[] = {
        {0, u"00:00:00"},           {59, u"00:00:59"},           {3600, u"01:00:00"},
        {363661, u"01:01:01"},      {359999, u"99:59:59"},       {360000, u"00:00:00"},
        {4294967294u, u"46:28:14"}, {LIFETIME_UNKNOWN, u"不明"},
    };
    for (const auto& c : cases) {
        PowerStatusRecord record = Record(1, 0x01, 50, c.seconds, c.seconds);
        record.backupLifeSeconds = c.seconds;
        record.backupFullLifeSeconds = c.seconds;
        PowerTexts texts;
        status::FormatPowerTexts(texts, record);
        for (const text::OwnedText* field : {&texts.batteryLifeText, &texts.batteryFullLifeText,
                                             &texts.backupLifeText, &texts.backupFullLifeText}) {
            EXPECT_EQ(Read(*field), c.text) << c.seconds;
        }
    }
}

TEST(PowerTexts, FieldsGoToTheirOwnBattery) {
    PowerStatusRecord record{};
    record.externalPower = 0;
    record.batteryFlags = 0x02;
    record.batteryPercent = 17;
    record.batteryLifeSeconds = 61;
    record.batteryFullLifeSeconds = 7322;
    record.backupFlags = 0x08;
    record.backupPercent = 93;
    record.backupLifeSeconds = 3599;
    record.backupFullLifeSeconds = LIFETIME_UNKNOWN;
    PowerTexts texts;
    status::FormatPowerTexts(texts, record);
    EXPECT_EQ(Read(texts.externalPowerText), u"ｵﾌ");
    EXPECT_EQ(Read(texts.batteryStateText), u"低");
    EXPECT_EQ(Read(texts.batteryPercentText), u"17");
    EXPECT_EQ(Read(texts.batteryLifeText), u"00:01:01");
    EXPECT_EQ(Read(texts.batteryFullLifeText), u"02:02:02");
    EXPECT_EQ(Read(texts.backupStateText), u"充電中");
    EXPECT_EQ(Read(texts.backupPercentText), u"93");
    EXPECT_EQ(Read(texts.backupLifeText), u"00:59:59");
    EXPECT_EQ(Read(texts.backupFullLifeText), u"不明");
}

TEST(PowerTexts, SplitSecondsWrapsHoursAt100) {
    const struct {
        std::uint32_t seconds;
        std::uint8_t hours, minutes, rest;
    } cases[] = {{0, 0, 0, 0}, {363661, 1, 1, 1}, {359999, 99, 59, 59}, {4294967295u, 46, 28, 15}};
    for (const auto& c : cases) {
        std::uint8_t hours = 0xEE, minutes = 0xEE, rest = 0xEE;
        status::SplitSeconds(c.seconds, &hours, &minutes, &rest);
        EXPECT_EQ(hours, c.hours) << c.seconds;
        EXPECT_EQ(minutes, c.minutes) << c.seconds;
        EXPECT_EQ(rest, c.rest) << c.seconds;
    }
}

class CollectPowerTextsTest : public ::testing::Test {
protected:
    void SetUp() override { fake::ResetStatus(); }
    void TearDown() override { fake::ResetStatus(); }
};

TEST_F(CollectPowerTextsTest, AFailedFirstQueryLeavesEverythingEmpty) {
    PowerTexts texts;
    EXPECT_FALSE(status::CollectPowerTexts(texts));
    EXPECT_EQ(texts.externalPowerText.Text(), text::SHARED_EMPTY_TEXT);
    EXPECT_EQ(texts.backupFullLifeText.Text(), text::SHARED_EMPTY_TEXT);
    EXPECT_EQ(fake::StatusCalls(), std::vector<std::string>{"power update=1"});
}

TEST_F(CollectPowerTextsTest, AFailedLaterQueryKeepsTheLastTexts) {
    PowerTexts texts;
    fake::Sources().power = Record(1, 0x09, 80, 3661, 7200);
    ASSERT_TRUE(status::CollectPowerTexts(texts));
    fake::Sources().power.reset();
    EXPECT_FALSE(status::CollectPowerTexts(texts));
    EXPECT_EQ(Read(texts.externalPowerText), u"ｵﾝ");
    EXPECT_EQ(Read(texts.batteryStateText), u"高 : 充電中");
    EXPECT_EQ(Read(texts.batteryPercentText), u"80");
    EXPECT_EQ(Read(texts.batteryLifeText), u"01:01:01");
    EXPECT_EQ(Read(texts.backupStateText), u"無し");
}

TEST_F(CollectPowerTextsTest, AnUnchangedStatusMakesNoHeapRequest) {
    PowerTexts texts;
    fake::Sources().power = Record(1, 0x0C, 3, 59, 3600);
    status::CollectPowerTexts(texts);
    fake::ResetHeap();
    status::CollectPowerTexts(texts);
    EXPECT_EQ(fake::Heap().requests, 0u);
    EXPECT_EQ(fake::Heap().releases, 0u);
    EXPECT_EQ(Read(texts.batteryStateText), u"僅か : 充電中");
}

}  // namespace
