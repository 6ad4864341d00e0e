// Reading dialog templates: every field, and the malformed ones refused
// whole without reading past their end.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/shared/dialog_template.h"
#include "tests/platform/common/template_builder.h"

namespace {

using platform::shared::ParseDialogTemplate;
using platform::shared::TemplateName;
using template_test::BuildTemplate;
using template_test::DialogSpec;
using template_test::Static;

DialogSpec TwoItemSpec() {
    DialogSpec layout;
    layout.title = u"ｼｽﾃﾑ情報";
    layout.items = {Static(3, 2, 27, 8, 0xFFFF, u"ﾊﾞｯﾃﾘ"),
                    Static(99, 20, 18, 8, 1019, u"100", 0x50020000, 0x1000)};
    return layout;
}

// Parses from a copy of exactly `size` bytes on the heap, so that a read
// past the end is caught by the address sanitizer.
bool ParsesExactly(const std::vector<std::uint8_t>& bytes, std::size_t size) {
    const auto copy = std::make_unique<std::uint8_t[]>(size);
    if (size > 0) std::memcpy(copy.get(), bytes.data(), size);
    return ParseDialogTemplate(copy.get(), size).has_value();
}

TEST(DialogTemplate, ReadsHeaderFontAndItems) {
    const auto bytes = BuildTemplate(TwoItemSpec());
    const auto parsed = ParseDialogTemplate(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->style, 0x80C800C0u);
    EXPECT_EQ(parsed->exStyle, 0x80000000u);
    EXPECT_EQ(parsed->cx, 134);
    EXPECT_EQ(parsed->title, u"ｼｽﾃﾑ情報");
    EXPECT_TRUE(parsed->hasFont);
    EXPECT_EQ(parsed->pointSize, 12);
    EXPECT_EQ(parsed->faceName, u"System");
    ASSERT_EQ(parsed->items.size(), 2u);
    const auto& right = parsed->items[1];
    EXPECT_EQ(right.id, 1019);
    EXPECT_EQ(right.exStyle, 0x1000u);
    EXPECT_EQ(right.x, 99);
    EXPECT_EQ(right.windowClass.kind, TemplateName::Kind::Ordinal);
    EXPECT_EQ(right.windowClass.ordinal, 0x0082);
    EXPECT_EQ(right.title.text, u"100");
}

TEST(DialogTemplate, EveryTruncationIsRefused) {
    const auto bytes = BuildTemplate(TwoItemSpec());
    ASSERT_TRUE(ParsesExactly(bytes, bytes.size()));
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        EXPECT_FALSE(ParsesExactly(bytes, size)) << "cut at " << size;
    }
}

TEST(DialogTemplate, CountMustMatchTheItems) {
    const auto bytes = BuildTemplate(TwoItemSpec());
    for (const std::uint8_t count : {0, 1, 3, 200}) {
        auto broken = bytes;
        broken[template_test::COUNT_OFFSET] = count;
        EXPECT_FALSE(ParsesExactly(broken, broken.size())) << "count " << int(count);
    }
    auto padded = bytes;
    padded.insert(padded.end(), {0, 0});
    EXPECT_TRUE(ParsesExactly(padded, padded.size())) << "padding to a 4-byte boundary";
}

TEST(DialogTemplate, UnterminatedTextsAreRefused) {
    DialogSpec layout;
    layout.items = {};
    auto bytes = BuildTemplate(layout);
    // Drop the face name's NUL: the text then runs to the end.
    bytes.resize(bytes.size() - 2);
    EXPECT_FALSE(ParsesExactly(bytes, bytes.size()));

    DialogSpec oneItem;
    oneItem.items = {Static(0, 0, 10, 8, 1, u"abc")};
    auto itemBytes = BuildTemplate(oneItem);
    // Title NUL and creation-data size replaced by text.
    itemBytes.resize(itemBytes.size() - 4);
    itemBytes.insert(itemBytes.end(), {'x', 0, 'y', 0});
    EXPECT_FALSE(ParsesExactly(itemBytes, itemBytes.size()));
}

TEST(DialogTemplate, CreationDataIsSkippedAndBoundsChecked) {
    DialogSpec layout;
    layout.items = {Static(0, 0, 10, 8, 1, u"a"), Static(0, 8, 10, 8, 2, u"b")};
    layout.items[0].creationData = {1, 2, 3, 4, 5, 6};
    const auto bytes = BuildTemplate(layout);
    const auto parsed = ParseDialogTemplate(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->items[0].creationDataBytes, 6);
    EXPECT_EQ(parsed->items[1].id, 2);

    DialogSpec overrun;
    overrun.items = {Static(0, 0, 10, 8, 1, u"a")};
    auto overrunBytes = BuildTemplate(overrun);
    overrunBytes[overrunBytes.size() - 2] = 0xFF;  // claims 255 bytes follow
    EXPECT_FALSE(ParsesExactly(overrunBytes, overrunBytes.size()));
}

TEST(DialogTemplate, NamedMenuAndClassAreReadAsText) {
    DialogSpec layout;
    auto bytes = BuildTemplate(layout);
    // Replace the menu's 0x0000 with the name "M".
    const std::size_t menuOffset = 18;
    bytes.insert(bytes.begin() + menuOffset, {'M', 0});
    const auto parsed = ParseDialogTemplate(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->menu.kind, TemplateName::Kind::Text);
    EXPECT_EQ(parsed->menu.text, u"M");
}

TEST(DialogTemplate, NullAndTheExtendedFormAreRefused) {
    EXPECT_FALSE(ParseDialogTemplate(nullptr, 100).has_value());
    auto extended = BuildTemplate(TwoItemSpec());
    // The extended form starts with version 1 and 0xFFFF.
    extended[0] = 1;
    extended[1] = 0;
    extended[2] = 0xFF;
    extended[3] = 0xFF;
    EXPECT_FALSE(ParsesExactly(extended, extended.size()));
}

}  // namespace
