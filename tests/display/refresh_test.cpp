// The refresh over the fake platform, with the real status collection
// running over scripted sources.
#include <map>
#include <set>
#include <ostream>
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

    std::map<std::int32_t, std::vector<fake::Fill>> FillsByControl() const {
        std::map<std::int32_t, std::vector<fake::Fill>> fills;
        for (const fake::Fill& fill : fake::Fills()) fills[fill.control].push_back(fill);
        return fills;
    }

    std::map<std::int32_t, std::u16string> DrawnTexts() const {
        std::map<std::int32_t, std::u16string> texts;
        for (const fake::TextDrawing& drawing : fake::TextDrawings()) {
            EXPECT_FALSE(texts.contains(drawing.control)) << drawing.control << " drawn twice";
            texts[drawing.control] = drawing.text;
        }
        return texts;
    }

    platform::WindowHandle dialog = nullptr;
};

// The refresh as a list of steps: the power query, the memory survey (all its
// queries as one step), each field's text and each gauge's drawing.
std::vector<std::string> RefreshSteps() {
    std::vector<std::string> steps;
    auto add = [&](std::string step) {
        if (steps.empty() || steps.back() != step) steps.push_back(std::move(step));
    };
    for (const std::string& line : fake::Log()) {
        if (line.starts_with("status power")) {
            add("power query");
        } else if (line.starts_with("status ")) {
            add("memory survey");
        } else if (line.starts_with("SetDialogItemText ")) {
            add("text " + line.substr(18, 4));
        } else if (line.starts_with("GetDialogItem ")) {
            add("gauge " + line.substr(14, 4));
        }
    }
    return steps;
}

TEST_F(RefreshTest, QueriesThenFillsThirteenFieldsAndEightGaugesInOrder) {
    ScriptBusyMachine();
    display::RefreshStatus(dialog);

    const std::vector<std::string> expected = {
        "power query", "text 1018",  "text 1022",  "text 1019",  "text 1020",     "text 1021",
        "text 1023",   "text 1024",  "text 1025",  "text 1026",  "memory survey", "gauge 1027",
        "gauge 1028",  "gauge 1029", "gauge 1030", "text 1035",  "text 1036",     "gauge 1031",
        "gauge 1032",  "text 1037",  "text 1038",  "gauge 1033", "gauge 1034"};
    EXPECT_EQ(RefreshSteps(), expected);
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
    auto fills = FillsByControl();
    auto texts = DrawnTexts();
    for (const auto& gauge : gauges) {
        SCOPED_TRACE(gauge.id);
        EXPECT_NE(gauge.value.Length(), 0);
        EXPECT_EQ(texts[gauge.id], gauge.value.Text());
        const auto& drawn = fills[gauge.id];
        if (gauge.split < 0) {
            ASSERT_EQ(drawn.size(), 1u);
            EXPECT_EQ(drawn[0].colour, GAUGE_PLAIN_COLOUR);
            EXPECT_EQ(drawn[0].rect.left, 0);
            EXPECT_EQ(drawn[0].rect.right, 84);
        } else {
            ASSERT_EQ(drawn.size(), 2u);
            EXPECT_EQ(drawn[0].colour, GAUGE_BAR_COLOUR);
            EXPECT_EQ(drawn[0].rect.left, gauge.split);
            EXPECT_EQ(drawn[1].colour, GAUGE_REST_COLOUR);
            EXPECT_EQ(drawn[1].rect.right, gauge.split);
        }
    }
}

TEST_F(RefreshTest, FailedQueriesStillRewriteEveryFieldWithTheEarlierValues) {
    ScriptBusyMachine();
    display::RefreshStatus(dialog);
    const std::u16string stateBefore = fake::ItemText(dialog, IDC_BATT_STATE);
    const std::u16string storeBefore = status::memoryTexts.storeFreeText.Text();

    fake::Sources().power.reset();
    fake::Sources().store.reset();
    fake::ClearLog();
    const std::size_t textsBefore = fake::ItemTextCalls().size();
    const std::size_t drawingsBefore = fake::TextDrawings().size();
    display::RefreshStatus(dialog);

    EXPECT_EQ(fake::ItemTextCalls().size() - textsBefore, 13u);
    EXPECT_EQ(fake::TextDrawings().size() - drawingsBefore, 8u);
    EXPECT_EQ(fake::ItemText(dialog, IDC_BATT_STATE), stateBefore);
    EXPECT_EQ(fake::TextDrawings()[drawingsBefore + 3].control, IDC_STORE_FREE);
    EXPECT_EQ(fake::TextDrawings()[drawingsBefore + 3].text, storeBefore);
}

TEST_F(RefreshTest, CardGaugesBeforeAnyCardAreEmptyButPainted) {
    ScriptBusyMachine();
    fake::Sources().rootEntries.clear();
    display::RefreshStatus(dialog);

    for (std::int32_t label : {IDC_VOL1_TOTAL_LABEL, IDC_VOL1_FREE_LABEL, IDC_VOL2_TOTAL_LABEL,
                               IDC_VOL2_FREE_LABEL}) {
        EXPECT_EQ(fake::ItemText(dialog, label), u"") << label;
    }
    auto fills = FillsByControl();
    auto texts = DrawnTexts();
    const platform::Rect whole{0, 0, 84, 16};
    const struct {
        std::int32_t id;
        platform::Colour wholeColour;
    } cards[] = {{IDC_VOL1_TOTAL, display::GAUGE_PLAIN_COLOUR},
                 {IDC_VOL1_FREE, display::GAUGE_REST_COLOUR},
                 {IDC_VOL2_TOTAL, display::GAUGE_PLAIN_COLOUR},
                 {IDC_VOL2_FREE, display::GAUGE_REST_COLOUR}};
    for (const auto& card : cards) {
        SCOPED_TRACE(card.id);
        ASSERT_TRUE(texts.contains(card.id));
        EXPECT_EQ(texts[card.id], u"");
        // The one fill that covers the whole gauge has the expected colour;
        // a bar gauge at 0 % has an empty bar before it.
        const auto& drawn = fills[card.id];
        ASSERT_FALSE(drawn.empty());
        const fake::Fill& cover = drawn.back();
        EXPECT_EQ(cover.colour, card.wholeColour);
        EXPECT_EQ(cover.rect.left, whole.left);
        EXPECT_EQ(cover.rect.right, whole.right);
        for (std::size_t i = 0; i + 1 < drawn.size(); ++i) {
            EXPECT_EQ(drawn[i].rect.left, drawn[i].rect.right) << "a visible fill before";
        }
    }
}

TEST_F(RefreshTest, ClearGaugeTextsEmptiesExactlyTheEightGauges) {
    display::ClearGaugeTexts(dialog);

    const auto& calls = fake::ItemTextCalls();
    ASSERT_EQ(calls.size(), 8u);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].id, IDC_RAM_TOTAL + static_cast<std::int32_t>(i));
        EXPECT_EQ(calls[i].pointer, text::SHARED_EMPTY_TEXT);
    }
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

    auto fills = FillsByControl();
    auto texts = DrawnTexts();
    for (std::int32_t id = IDC_RAM_TOTAL; id <= IDC_VOL2_FREE; ++id) {
        const bool reached = id != GetParam().control;
        EXPECT_EQ(fills.contains(id), reached) << id;
        EXPECT_EQ(texts.contains(id), reached) << id;
    }
    EXPECT_EQ(fake::ContextReleases().size(), 7u);
    EXPECT_EQ(fake::OpenContexts(), 0u);
    // Nothing was drawn through a context that was never had.
    for (const std::string& line : fake::Log()) {
        EXPECT_EQ(line.find("closed-context"), std::string::npos) << line;
    }
    EXPECT_EQ(fake::ItemTextCalls().size(), 13u);
}

INSTANTIATE_TEST_SUITE_P(
    Gaps, UnreachableGaugeTest,
    ::testing::Values(UnreachableGauge{"NoControl", &fake::WindowScript::missingControls, 1030},
                      UnreachableGauge{"NoRectangle", &fake::WindowScript::controlsWithoutRect,
                                       1032},
                      UnreachableGauge{"NoContext", &fake::WindowScript::controlsWithoutContext,
                                       1028}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
