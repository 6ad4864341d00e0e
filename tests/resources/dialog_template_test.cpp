// The status dialog templates as the dialog manager will read them.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>

#include "platform/module.h"
#include "resources/resource_ids.h"
#include "resources/status_layouts.h"
#include "resources/window_title.h"
#include "tests/resources/resource_readers.h"

namespace {

using resource_test::ParsedDialog;
using resource_test::ParseDialogTemplate;
using resource_test::ParsedItem;
using resource_test::ProgramResource;
using resources::Layout;

constexpr std::uint16_t NO_ID = 0xFFFF;
constexpr std::uint32_t TEXT = 0x50020000;  // child, visible, group, static text
constexpr std::uint32_t FRAME = 0x50000008;
constexpr std::uint32_t RIGHT_ALIGNED = 0x00001000;

struct LayoutCase {
    const char* name;
    std::uint32_t id;
    Layout layout;
    std::int16_t cx, cy;
};

const LayoutCase LAYOUTS[] = {
    {"Tall", resources::IDD_STATUS_TALL, Layout::Tall, 134, 148},
    {"Wide", resources::IDD_STATUS_WIDE, Layout::Wide, 268, 76},
};

// Names the case in failure messages instead of dumping its bytes.
void PrintTo(const LayoutCase& layout, std::ostream* out) { *out << layout.name; }

ParsedDialog Template(std::uint32_t id) {
    return ParseDialogTemplate(ProgramResource(id, platform::RESOURCE_DIALOG));
}

const ParsedItem* FindControl(const ParsedDialog& dialog, std::uint16_t id) {
    const auto found = std::find_if(dialog.items.begin(), dialog.items.end(),
                                    [id](const ParsedItem& item) { return item.id == id; });
    return found == dialog.items.end() ? nullptr : &*found;
}

class StatusTemplate : public testing::TestWithParam<LayoutCase> {
protected:
    std::span<const std::uint8_t> bytes = ProgramResource(GetParam().id, platform::RESOURCE_DIALOG);
    ParsedDialog dialog = ParseDialogTemplate(bytes);
};

TEST_P(StatusTemplate, HeaderIsTheStandardFormWithFont) {
    ASSERT_FALSE(dialog.failed);
    EXPECT_EQ(dialog.bytesRead, bytes.size()) << "nothing may follow the last item";
    // The standard form starts with the style itself, little-endian.
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 0xC0);
    EXPECT_EQ(bytes[3], 0x80);
    EXPECT_EQ(dialog.style, 0x80C800C0u);
    EXPECT_EQ(dialog.style & 0x10000000u, 0u) << "created hidden";
    EXPECT_EQ(dialog.extendedStyle, 0x80000000u);
    EXPECT_EQ(dialog.itemCount, 35);
    EXPECT_EQ(dialog.items.size(), 35u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, GetParam().cx);
    EXPECT_EQ(dialog.cy, GetParam().cy);
    EXPECT_EQ(dialog.menu, 0);
    EXPECT_EQ(dialog.windowClass, 0);
    EXPECT_EQ(dialog.title, std::u16string(resources::WINDOW_TITLE));
    EXPECT_EQ(dialog.title.size(), 18u);
    EXPECT_EQ(dialog.pointSize, 12);
    EXPECT_EQ(dialog.fontFace, u"System");
}

TEST_P(StatusTemplate, ItemsAreDwordAlignedWithZeroPadding) {
    ASSERT_EQ(dialog.items.size(), 35u);
    std::size_t previousEnd = dialog.items.front().offset;
    for (const ParsedItem& item : dialog.items) {
        EXPECT_EQ(item.offset % 4, 0u) << "item at " << item.offset;
        EXPECT_LT(item.offset - previousEnd, 4u);
        for (std::size_t i = previousEnd; i < item.offset; ++i) EXPECT_EQ(bytes[i], 0) << i;
        previousEnd = item.end;
    }
}

TEST_P(StatusTemplate, ItemsFollowTheControlTable) {
    ASSERT_EQ(dialog.items.size(), resources::STATUS_CONTROLS.size());
    for (std::size_t i = 0; i < dialog.items.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "control " << i + 1);
        const ParsedItem& item = dialog.items[i];
        const resources::ControlRow& row = resources::STATUS_CONTROLS[i];
        const resources::Placement& at = GetParam().layout == Layout::Tall ? row.tall : row.wide;
        EXPECT_EQ(item.style, row.style.style);
        EXPECT_EQ(item.extendedStyle, row.style.extendedStyle);
        EXPECT_EQ(item.x, at.x);
        EXPECT_EQ(item.y, at.y);
        EXPECT_EQ(item.cx, at.cx);
        EXPECT_EQ(item.cy, at.cy);
        EXPECT_EQ(item.id, static_cast<std::uint16_t>(row.id));
        EXPECT_EQ(item.classMarker, 0xFFFF);
        EXPECT_EQ(item.classNumber, 0x0082) << "static control";
        EXPECT_EQ(item.text, row.text);
        EXPECT_EQ(item.creationDataSize, 0);
    }
}

TEST_P(StatusTemplate, EveryIdentifierNamesExactlyOneControl) {
    for (std::uint16_t id = 1018; id <= 1038; ++id) {
        EXPECT_EQ(std::count_if(dialog.items.begin(), dialog.items.end(),
                                [id](const ParsedItem& item) { return item.id == id; }),
                  1)
            << "identifier " << id;
    }
    for (const ParsedItem& item : dialog.items) {
        EXPECT_TRUE(item.id == NO_ID || (item.id >= 1018 && item.id <= 1038)) << item.id;
    }
}

TEST_P(StatusTemplate, ControlsLieInsideTheDialog) {
    for (const ParsedItem& item : dialog.items) {
        SCOPED_TRACE(testing::Message() << "item at " << item.offset);
        EXPECT_GE(item.x, 0);
        EXPECT_GE(item.y, 0);
        EXPECT_GT(item.cx, 0);
        EXPECT_GT(item.cy, 0);
        EXPECT_LE(item.x + item.cx, dialog.cx);
        EXPECT_LE(item.y + item.cy, dialog.cy);
    }
}

TEST_P(StatusTemplate, CardLabelsShareTheRowOfTheirGauge) {
    const std::pair<std::uint16_t, std::uint16_t> pairs[] = {
        {1035, 1031}, {1036, 1032}, {1037, 1033}, {1038, 1034}};
    for (const auto& [labelId, gaugeId] : pairs) {
        const ParsedItem* label = FindControl(dialog, labelId);
        const ParsedItem* gauge = FindControl(dialog, gaugeId);
        ASSERT_NE(label, nullptr);
        ASSERT_NE(gauge, nullptr);
        EXPECT_EQ(label->y, gauge->y) << labelId;
        EXPECT_LE(label->x + label->cx, gauge->x) << labelId;
    }
}

TEST_P(StatusTemplate, TheOnlyFrameIsTheSeparator) {
    const auto isFrame = [](const ParsedItem& item) { return item.style == FRAME; };
    ASSERT_EQ(std::count_if(dialog.items.begin(), dialog.items.end(), isFrame), 1);
    const auto frame = std::find_if(dialog.items.begin(), dialog.items.end(), isFrame);
    EXPECT_EQ(frame - dialog.items.begin(), 17) << "control 18";
    EXPECT_EQ(frame->id, NO_ID);
    EXPECT_EQ(frame->text, u"");
    EXPECT_EQ(std::min(frame->cx, frame->cy), 1) << "one unit thick";
}

INSTANTIATE_TEST_SUITE_P(Layouts, StatusTemplate, testing::ValuesIn(LAYOUTS),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StatusTemplates, SeparatorRunsAcrossTallAndDownWide) {
    const ParsedDialog tall = Template(resources::IDD_STATUS_TALL);
    const ParsedDialog wide = Template(resources::IDD_STATUS_WIDE);
    ASSERT_EQ(tall.items.size(), 35u);
    ASSERT_EQ(wide.items.size(), 35u);
    EXPECT_GT(tall.items[17].cx, tall.items[17].cy);
    EXPECT_GT(wide.items[17].cy, wide.items[17].cx);
}

TEST(StatusTemplates, LayoutsDifferOnlyInPlaceButForSeparatorAndMemoryCaption) {
    const ParsedDialog tall = Template(resources::IDD_STATUS_TALL);
    const ParsedDialog wide = Template(resources::IDD_STATUS_WIDE);
    ASSERT_EQ(tall.items.size(), 35u);
    ASSERT_EQ(wide.items.size(), 35u);
    for (std::size_t i = 0; i < 35; ++i) {
        SCOPED_TRACE(testing::Message() << "control " << i + 1);
        EXPECT_EQ(tall.items[i].id, wide.items[i].id);
        EXPECT_EQ(tall.items[i].text, wide.items[i].text);
        EXPECT_EQ(tall.items[i].style, wide.items[i].style);
        EXPECT_EQ(tall.items[i].extendedStyle, wide.items[i].extendedStyle);
        const bool resized = i == 17 || i == 18;
        EXPECT_EQ(tall.items[i].cx == wide.items[i].cx && tall.items[i].cy == wide.items[i].cy,
                  !resized);
    }
}

// Rows of the layout table checked by hand, independently of the table in
// resources/: the first and last controls, every style, the separator, the
// two controls that change size, a card label.
struct SpotCheck {
    std::uint32_t templateId;
    std::size_t number;  // 1-based, in template order
    std::uint16_t id;
    std::u16string_view text;
    std::uint32_t style;
    std::uint32_t extendedStyle;
    std::int16_t x, y, cx, cy;
};

const SpotCheck SPOT_CHECKS[] = {
    {102, 1, NO_ID, u"ﾊﾞｯﾃﾘ", TEXT, 0, 3, 2, 27, 8},
    {103, 1, NO_ID, u"ﾊﾞｯﾃﾘ", TEXT, 0, 4, 2, 27, 8},
    {102, 3, 1018, u"ｵﾝ", TEXT, 0, 68, 11, 18, 8},
    {103, 6, 1019, u"100", TEXT, RIGHT_ALIGNED, 99, 24, 18, 8},
    {102, 7, NO_ID, u"%", TEXT, 0, 120, 20, 10, 8},
    {102, 11, NO_ID, u"ﾊﾞｯｸｱｯﾌﾟ ﾊﾞｯﾃﾘ残量", TEXT, 0, 8, 37, 69, 8},
    {103, 17, 1026, u"99:59:59", TEXT, RIGHT_ALIGNED, 96, 62, 31, 8},
    {102, 18, NO_ID, u"", FRAME, 0, 4, 63, 126, 1},
    {103, 18, NO_ID, u"", FRAME, 0, 131, 4, 1, 68},
    {102, 19, NO_ID, u"ﾒﾓﾘ (ﾊﾞｲﾄ)", TEXT, 0, 3, 66, 40, 8},
    {103, 19, NO_ID, u"ﾒﾓﾘ (ﾊﾞｲﾄ)", TEXT, 0, 140, 2, 38, 8},
    {102, 22, NO_ID, u"未使用ﾌﾟﾛｸﾞﾗﾑ実行用", TEXT, 0, 7, 84, 76, 8},
    {103, 25, 1029, u"999,999,999", TEXT, RIGHT_ALIGNED, 222, 26, 42, 8},
    {103, 28, 1035, u"全PC-Card1", TEXT, 0, 143, 42, 76, 8},
    {102, 34, 1038, u"未使用PC-Card2", TEXT, 0, 7, 138, 76, 8},
    {102, 35, 1034, u"999,999,999", TEXT, RIGHT_ALIGNED, 86, 138, 42, 8},
    {103, 35, 1034, u"999,999,999", TEXT, RIGHT_ALIGNED, 222, 66, 42, 8},
};

TEST(StatusTemplates, RowsCheckedByHand) {
    for (const SpotCheck& check : SPOT_CHECKS) {
        SCOPED_TRACE(testing::Message()
                     << "template " << check.templateId << " control " << check.number);
        const ParsedDialog dialog = Template(check.templateId);
        ASSERT_GE(dialog.items.size(), check.number);
        const ParsedItem& item = dialog.items[check.number - 1];
        EXPECT_EQ(item.id, check.id);
        EXPECT_EQ(item.text, check.text);
        EXPECT_EQ(item.style, check.style);
        EXPECT_EQ(item.extendedStyle, check.extendedStyle);
        EXPECT_EQ(item.x, check.x);
        EXPECT_EQ(item.y, check.y);
        EXPECT_EQ(item.cx, check.cx);
        EXPECT_EQ(item.cy, check.cy);
    }
}

TEST(StatusTemplates, NoIdentifierIsStoredAsAllOnes) {
    const std::span<const std::uint8_t> bytes =
        ProgramResource(resources::IDD_STATUS_TALL, platform::RESOURCE_DIALOG);
    const ParsedDialog dialog = ParseDialogTemplate(bytes);
    ASSERT_FALSE(dialog.items.empty());
    // Style, extended style and four coordinates come before the identifier.
    const std::size_t idAt = dialog.items.front().offset + 16;
    ASSERT_LT(idAt + 1, bytes.size());
    EXPECT_EQ(bytes[idAt], 0xFF);
    EXPECT_EQ(bytes[idAt + 1], 0xFF);
}

}  // namespace
