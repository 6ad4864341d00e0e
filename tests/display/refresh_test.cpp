// The refresh over the fake platform, with the real status collection
// running over scripted sources.
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "display/gauge.h"
#include "display/refresh.h"
#include "resources/resource_ids.h"
#include "tests/display/status_records.h"
#include "text/owned_text.h"

namespace {

using namespace resources;
using testing_support::ResetFakes;
using testing_support::ScriptBusyMachine;

class RefreshTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakes();
        dialog = fake::NewDialog();
    }

    // The gauges of the fake dialog are 84 pixels wide.
    static fake::GaugePicture Picture(std::int32_t id) { return fake::PictureOf(id, 84); }

    static std::vector<platform::Colour> Columns(platform::Colour left, std::int32_t split,
                                                 platform::Colour right) {
        std::vector<platform::Colour> columns(84, right);
        std::fill(columns.begin(), columns.begin() + split, left);
        return columns;
    }

    platform::WindowHandle dialog = nullptr;
};

// Each refresh asks the sources again: what changed between two refreshes
// shows in the fields and the gauges of the second.
TEST_F(RefreshTest, EachRefreshShowsWhatTheSourcesSayThen) {
    ScriptBusyMachine();
    display::RefreshStatus(dialog);
    EXPECT_EQ(fake::ItemText(dialog, IDC_AC_LINE), u"ｵﾝ");
    EXPECT_EQ(Picture(IDC_RAM_FREE).text, u" 32,000,000");

    fake::Sources().power->externalPower = platform::EXTERNAL_POWER_OFF;
    fake::Sources().ramAvailable = 16'000'000;
    fake::Sources().rootEntries.pop_back();
    display::RefreshStatus(dialog);
    EXPECT_EQ(fake::ItemText(dialog, IDC_AC_LINE), u"ｵﾌ");
    EXPECT_EQ(Picture(IDC_RAM_FREE).text, u" 16,000,000");
    EXPECT_EQ(Picture(IDC_RAM_FREE).columns,
              Columns(display::GAUGE_REST_COLOUR, 63, display::GAUGE_BAR_COLOUR));
    EXPECT_EQ(fake::ItemText(dialog, IDC_VOL2_TOTAL_LABEL), u"") << "the second card went";
    EXPECT_EQ(Picture(IDC_VOL2_TOTAL).text, u"");
    EXPECT_EQ(fake::OpenContexts(), 0u);
}

TEST_F(RefreshTest, EachFieldShowsItsOwnRecordValue) {
    ScriptBusyMachine();
    display::RefreshStatus(dialog);

    const status::PowerTexts& power = status::powerTexts;
    const status::MemoryTexts& memory = status::memoryTexts;
    const struct {
        std::int32_t id;
        const text::OwnedText& value;
    } fields[] = {
        {IDC_AC_LINE, power.externalPowerText},
        {IDC_BATT_STATE, power.batteryStateText},
        {IDC_BATT_PERCENT, power.batteryPercentText},
        {IDC_BATT_LIFE, power.batteryLifeText},
        {IDC_BATT_FULL_LIFE, power.batteryFullLifeText},
        {IDC_BACKUP_STATE, power.backupStateText},
        {IDC_BACKUP_PERCENT, power.backupPercentText},
        {IDC_BACKUP_LIFE, power.backupLifeText},
        {IDC_BACKUP_FULL_LIFE, power.backupFullLifeText},
        {IDC_VOL1_TOTAL_LABEL, memory.vol1TotalLabel},
        {IDC_VOL1_FREE_LABEL, memory.vol1FreeLabel},
        {IDC_VOL2_TOTAL_LABEL, memory.vol2TotalLabel},
        {IDC_VOL2_FREE_LABEL, memory.vol2FreeLabel},
    };
    for (const auto& field : fields) {
        EXPECT_EQ(fake::ItemText(dialog, field.id), field.value.Text()) << field.id;
    }
    // The scripted machine really reached the fields.
    EXPECT_EQ(fake::ItemText(dialog, IDC_AC_LINE), u"ｵﾝ");
    EXPECT_EQ(fake::ItemText(dialog, IDC_BACKUP_LIFE), u"03:25:07");
    EXPECT_EQ(fake::ItemText(dialog, IDC_VOL1_TOTAL_LABEL), u"全SD Card");
    EXPECT_EQ(fake::ItemText(dialog, IDC_VOL2_FREE_LABEL), u"未使用USB Disk");
}

TEST_F(RefreshTest, GaugesShowTheSurveyedCountsOverTheirShares) {
    ScriptBusyMachine();
    display::RefreshStatus(dialog);

    const status::MemoryTexts& memory = status::memoryTexts;
    using display::GAUGE_BAR_COLOUR;
    using display::GAUGE_PLAIN_COLOUR;
    using display::GAUGE_REST_COLOUR;
    // The free gauges split where the scripted shares put them in 84 pixels:
    // 50 % at 42, 25 % at 63, 10 % (8.4 pixels, truncated) at 76, 75 % at 21.
    const struct {
        std::int32_t id;
        const text::OwnedText& value;
        std::int32_t split;  // -1: a plain gauge
    } gauges[] = {
        {IDC_RAM_TOTAL, memory.ramTotalText, -1},     {IDC_RAM_FREE, memory.ramFreeText, 42},
        {IDC_STORE_TOTAL, memory.storeTotalText, -1}, {IDC_STORE_FREE, memory.storeFreeText, 63},
        {IDC_VOL1_TOTAL, memory.vol1TotalText, -1},   {IDC_VOL1_FREE, memory.vol1FreeText, 76},
        {IDC_VOL2_TOTAL, memory.vol2TotalText, -1},   {IDC_VOL2_FREE, memory.vol2FreeText, 21},
    };
    for (const auto& gauge : gauges) {
        SCOPED_TRACE(gauge.id);
        const fake::GaugePicture picture = Picture(gauge.id);
        EXPECT_NE(gauge.value.Length(), 0);
        EXPECT_EQ(picture.text, gauge.value.Text());
        const auto expected = gauge.split < 0
                                  ? Columns(GAUGE_PLAIN_COLOUR, 0, GAUGE_PLAIN_COLOUR)
                                  : Columns(GAUGE_REST_COLOUR, gauge.split, GAUGE_BAR_COLOUR);
        EXPECT_EQ(fake::DescribeColumns(picture.columns), fake::DescribeColumns(expected));
    }
}

TEST_F(RefreshTest, FailedQueriesStillRewriteEveryFieldWithTheEarlierValues) {
    ScriptBusyMachine();
    display::RefreshStatus(dialog);
    const std::u16string stateBefore = fake::ItemText(dialog, IDC_BATT_STATE);
    const std::u16string storeBefore = status::memoryTexts.storeFreeText.Text();

    fake::Sources().power.reset();
    fake::Sources().store.reset();
    // Blank the fields and forget the drawing, so that only what the second
    // refresh puts there is seen.
    for (std::int32_t id = fake::FIRST_CONTROL_ID; id <= fake::LAST_CONTROL_ID; ++id) {
        platform::SetDialogItemText(dialog, id, u"?");
    }
    fake::ResetDrawing();
    display::RefreshStatus(dialog);

    EXPECT_EQ(fake::ItemText(dialog, IDC_BATT_STATE), stateBefore);
    EXPECT_NE(fake::ItemText(dialog, IDC_VOL1_FREE_LABEL), u"?");
    EXPECT_EQ(Picture(IDC_STORE_FREE).text, storeBefore);
    for (std::int32_t id = IDC_RAM_TOTAL; id <= IDC_VOL2_FREE; ++id) {
        EXPECT_TRUE(Picture(id).text.has_value()) << id << " drawn again";
    }
}

TEST_F(RefreshTest, CardGaugesBeforeAnyCardAreEmptyButPainted) {
    ScriptBusyMachine();
    fake::Sources().rootEntries.clear();
    display::RefreshStatus(dialog);

    for (std::int32_t label :
         {IDC_VOL1_TOTAL_LABEL, IDC_VOL1_FREE_LABEL, IDC_VOL2_TOTAL_LABEL, IDC_VOL2_FREE_LABEL}) {
        EXPECT_EQ(fake::ItemText(dialog, label), u"") << label;
    }
    const struct {
        std::int32_t id;
        platform::Colour wholeColour;
    } cards[] = {{IDC_VOL1_TOTAL, display::GAUGE_PLAIN_COLOUR},
                 {IDC_VOL1_FREE, display::GAUGE_REST_COLOUR},
                 {IDC_VOL2_TOTAL, display::GAUGE_PLAIN_COLOUR},
                 {IDC_VOL2_FREE, display::GAUGE_REST_COLOUR}};
    for (const auto& card : cards) {
        SCOPED_TRACE(card.id);
        const fake::GaugePicture picture = Picture(card.id);
        EXPECT_EQ(picture.text, u"");
        EXPECT_EQ(fake::DescribeColumns(picture.columns),
                  fake::DescribeColumns(Columns(card.wholeColour, 0, card.wholeColour)));
    }
}

TEST_F(RefreshTest, ClearGaugeTextsEmptiesExactlyTheEightGauges) {
    display::ClearGaugeTexts(dialog);

    for (std::int32_t id = fake::FIRST_CONTROL_ID; id <= fake::LAST_CONTROL_ID; ++id) {
        const bool gauge = id >= IDC_RAM_TOTAL && id <= IDC_VOL2_FREE;
        EXPECT_EQ(fake::ItemText(dialog, id), gauge ? u"" : fake::PLACEHOLDER_TEXT) << id;
    }
}

// A gauge that cannot be reached is left alone; the refresh goes on with the
// others and every context it took is given back.
struct UnreachableGauge {
    const char* name;
    std::set<std::int32_t> fake::WindowScript::*gap;
    std::int32_t control;

    // Cases are named in test output by their name alone.
    friend void PrintTo(const UnreachableGauge& c, std::ostream* out) { *out << c.name; }
};

class UnreachableGaugeTest : public RefreshTest,
                             public ::testing::WithParamInterface<UnreachableGauge> {};

TEST_P(UnreachableGaugeTest, IsSkippedAndTheRestAreDrawn) {
    ScriptBusyMachine();
    (fake::Script().*GetParam().gap).insert(GetParam().control);
    display::RefreshStatus(dialog);

    for (std::int32_t id = IDC_RAM_TOTAL; id <= IDC_VOL2_FREE; ++id) {
        const bool reached = id != GetParam().control;
        EXPECT_EQ(Picture(id).text.has_value(), reached) << id;
        EXPECT_EQ(Picture(id).columns.front() != 0xFFFFFFFF, reached) << id;
    }
    EXPECT_EQ(fake::OpenContexts(), 0u);
    // Nothing was drawn through a context that was never had.
    for (const std::string& line : fake::Log()) {
        EXPECT_EQ(line.find("closed-context"), std::string::npos) << line;
    }
    EXPECT_EQ(fake::ItemText(dialog, IDC_AC_LINE), u"ｵﾝ") << "the fields are set all the same";
}

INSTANTIATE_TEST_SUITE_P(
    Gaps, UnreachableGaugeTest,
    ::testing::Values(
        UnreachableGauge{"NoControl", &fake::WindowScript::missingControls, 1030},
        UnreachableGauge{"NoRectangle", &fake::WindowScript::controlsWithoutRect, 1032},
        UnreachableGauge{"NoContext", &fake::WindowScript::controlsWithoutContext, 1028}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
