// Gauge painting: the split of the bar, the colours, and the context state
// handed back.
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "display/gauge.h"
#include "platform/drawing.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "tests/display/status_records.h"
#include "tests/fake/fake_window.h"

namespace {

using display::GAUGE_BAR_COLOUR;
using display::GAUGE_PLAIN_COLOUR;
using display::GAUGE_REST_COLOUR;
using resources::IDC_RAM_FREE;
using resources::IDC_RAM_TOTAL;

bool SameRect(const platform::Rect& a, const platform::Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class GaugeTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::ResetFakes();
        dialog = fake::NewDialog();
    }

    platform::WindowHandle dialog = nullptr;
};

struct BarCase {
    std::uint8_t percent;
    platform::Rect area;
    platform::Rect bar;   // GAUGE_BAR_COLOUR, right-hand part
    platform::Rect rest;  // GAUGE_REST_COLOUR, left-hand part

    friend void PrintTo(const BarCase& c, std::ostream* out) {
        *out << static_cast<int>(c.percent) << "% of " << fake::Describe(c.area);
    }
};

class FillBarTest : public GaugeTest, public ::testing::WithParamInterface<BarCase> {};

TEST_P(FillBarTest, SplitsAtTheTruncatedShareFromTheRight) {
    const BarCase& expected = GetParam();
    platform::WindowHandle control = platform::GetDialogItem(dialog, IDC_RAM_FREE);
    platform::DeviceContext context = platform::GetDeviceContext(control);
    display::FillBar(context, expected.area, expected.percent);
    platform::ReleaseDeviceContext(control, context);

    const auto& fills = fake::Fills();
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0].colour, GAUGE_BAR_COLOUR);
    EXPECT_TRUE(SameRect(fills[0].rect, expected.bar)) << fake::Describe(fills[0].rect);
    EXPECT_EQ(fills[1].colour, GAUGE_REST_COLOUR);
    EXPECT_TRUE(SameRect(fills[1].rect, expected.rest)) << fake::Describe(fills[1].rect);
}

// Width 84 throughout. Above 100 the arithmetic runs on: the bar reaches past
// the left edge (the context clips it) and the rest turns inside out.
INSTANTIATE_TEST_SUITE_P(
    Width84, FillBarTest,
    ::testing::Values(BarCase{50, {0, 0, 84, 16}, {42, 0, 84, 16}, {0, 0, 42, 16}},
                      BarCase{33, {0, 0, 84, 16}, {57, 0, 84, 16}, {0, 0, 57, 16}},
                      BarCase{0, {0, 0, 84, 16}, {84, 0, 84, 16}, {0, 0, 84, 16}},
                      BarCase{1, {0, 0, 84, 16}, {84, 0, 84, 16}, {0, 0, 84, 16}},
                      BarCase{100, {0, 0, 84, 16}, {0, 0, 84, 16}, {0, 0, 0, 16}},
                      BarCase{101, {0, 0, 84, 16}, {0, 0, 84, 16}, {0, 0, 0, 16}},
                      BarCase{102, {0, 0, 84, 16}, {-1, 0, 84, 16}, {0, 0, -1, 16}},
                      BarCase{255, {0, 0, 84, 16}, {-130, 0, 84, 16}, {0, 0, -130, 16}},
                      // An area that does not start at the origin splits
                      // from its own right edge.
                      BarCase{50, {10, 2, 94, 18}, {52, 2, 94, 18}, {10, 2, 52, 18}}));

TEST_F(GaugeTest, TextIsDrawnTransparentInButtonTextColourAndTheStateHandedBack) {
    display::DrawGauge(dialog, IDC_RAM_FREE, u"1,024 & more", 50, true);

    ASSERT_EQ(fake::TextDrawings().size(), 1u);
    const fake::TextDrawing& drawn = fake::TextDrawings()[0];
    EXPECT_EQ(drawn.text, u"1,024 & more");
    EXPECT_TRUE(SameRect(drawn.rect, platform::Rect{0, 0, 84, 16}));
    EXPECT_EQ(drawn.format, platform::DRAW_TEXT_RIGHT | platform::DRAW_TEXT_VERTICAL_CENTRE |
                                platform::DRAW_TEXT_SINGLE_LINE | platform::DRAW_TEXT_NO_PREFIX);
    EXPECT_EQ(drawn.textColour, fake::BUTTON_TEXT_COLOUR);
    EXPECT_EQ(drawn.backgroundMode, platform::BACKGROUND_TRANSPARENT);

    // Mode and text colour are put back; the background colour keeps the
    // last fill's.
    ASSERT_EQ(fake::ContextReleases().size(), 1u);
    const fake::ContextRelease& released = fake::ContextReleases()[0];
    EXPECT_EQ(released.backgroundMode, fake::CONTEXT_BACKGROUND_MODE);
    EXPECT_EQ(released.textColour, fake::CONTEXT_TEXT_COLOUR);
    EXPECT_EQ(released.backgroundColour, GAUGE_REST_COLOUR);
    EXPECT_EQ(fake::OpenContexts(), 0u);
}

TEST_F(GaugeTest, PlainGaugeIsOneColourWhateverThePercentage) {
    display::DrawGauge(dialog, IDC_RAM_TOTAL, u"64,000", 70, false);

    ASSERT_EQ(fake::Fills().size(), 1u);
    EXPECT_EQ(fake::Fills()[0].colour, GAUGE_PLAIN_COLOUR);
    EXPECT_TRUE(SameRect(fake::Fills()[0].rect, platform::Rect{0, 0, 84, 16}));
}

TEST_F(GaugeTest, EmptyTextStillGetsItsBackground) {
    display::DrawGauge(dialog, IDC_RAM_FREE, u"", 100, true);

    ASSERT_EQ(fake::Fills().size(), 2u);
    EXPECT_TRUE(SameRect(fake::Fills()[0].rect, platform::Rect{0, 0, 84, 16}));
    ASSERT_EQ(fake::TextDrawings().size(), 1u);
    EXPECT_EQ(fake::TextDrawings()[0].text, u"");
}

TEST_F(GaugeTest, TextWiderThanTheControlIsHandedOverWhole) {
    const std::u16string wide = u"18,446,744,073,709,551,615 & 18,446,744,073,709,551,615";
    display::DrawGauge(dialog, IDC_RAM_TOTAL, wide.c_str(), 0, false);

    ASSERT_EQ(fake::TextDrawings().size(), 1u);
    EXPECT_EQ(fake::TextDrawings()[0].text, wide);
}

}  // namespace
