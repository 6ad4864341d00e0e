// The version resource as a reader of version information sees it.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/module.h"
#include "resources/resource_ids.h"
#include "resources/window_title.h"
#include "tests/resources/resource_readers.h"

namespace {

using resource_test::ByteCursor;
using resource_test::ParseVersionNode;
using resource_test::ProgramResource;
using resource_test::VersionNode;

std::span<const std::uint8_t> VersionBytes() {
    return ProgramResource(resources::VERSION_RESOURCE_ID, platform::RESOURCE_VERSION);
}

class VersionBlock : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(bytes.empty());
        ASSERT_TRUE(ParseVersionNode(bytes, 0, bytes.size(), root));
    }

    const VersionNode* StringTable() const {
        const VersionNode* fileInfo = root.Child(u"StringFileInfo");
        return fileInfo == nullptr ? nullptr : fileInfo->Child(u"041104E4");
    }

    std::span<const std::uint8_t> bytes = VersionBytes();
    VersionNode root;
};

TEST_F(VersionBlock, RootCoversTheWholeResource) {
    EXPECT_EQ(root.key, u"VS_VERSION_INFO");
    EXPECT_EQ(root.length, bytes.size());
    EXPECT_EQ(root.valueType, 0) << "binary";
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(root.children[0].key, u"StringFileInfo");
    EXPECT_EQ(root.children[1].key, u"VarFileInfo");
}

TEST_F(VersionBlock, FixedPartHoldsVersionOnePointZeroPointZeroPointFive) {
    ASSERT_EQ(root.valueLength, 52);
    ASSERT_EQ(root.value.size(), 52u);
    const std::array<std::uint32_t, 13> expected{
        0xFEEF04BD,              // signature
        0x00010000,              // structure version
        0x00010000, 0x00000005,  // file version 1.0.0.5
        0x00010000, 0x00000005,  // product version 1.0.0.5
        0x3F,       0,           // flags mask, flags
        4,                       // 32-bit Windows
        1,          0,           // application, no subtype
        0,          0,           // no date
    };
    ByteCursor in(root.value);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(in.Dword(), expected[i]) << "field " << i;
    }
    // Six bytes of head and 32 of key: the fixed part starts on the next
    // four-byte boundary.
    EXPECT_EQ(bytes[40], 0xBD);
    EXPECT_EQ(bytes[43], 0xFE);
}

TEST_F(VersionBlock, StringTableCarriesVersionTextsAndTitle) {
    const VersionNode* table = StringTable();
    ASSERT_NE(table, nullptr);
    const std::u16string title = resources::WINDOW_TITLE;
    const struct {
        std::u16string_view key;
        std::u16string value;
    } exact[] = {
        {u"FileVersion", u"1.05, 0, 0, 5"},
        {u"ProductVersion", u"1.05, 0, 0, 5"},
        {u"InternalName", title},
        {u"OriginalFilename", title + u".exe"},
    };
    for (const auto& entry : exact) {
        const VersionNode* node = table->Child(entry.key);
        ASSERT_NE(node, nullptr) << std::string(entry.key.begin(), entry.key.end());
        EXPECT_EQ(node->TextValue(), entry.value);
    }
    // The descriptive entries are the title with something added.
    for (std::u16string_view key : {u"FileDescription", u"ProductName"}) {
        const VersionNode* node = table->Child(key);
        ASSERT_NE(node, nullptr);
        const std::u16string value = node->TextValue();
        EXPECT_GT(value.size(), title.size());
        EXPECT_EQ(value.substr(0, title.size()), title);
    }
}

TEST_F(VersionBlock, StringEntriesAreTextCountedInCharacters) {
    const VersionNode* table = StringTable();
    ASSERT_NE(table, nullptr);
    ASSERT_FALSE(table->children.empty());
    for (const VersionNode& entry : table->children) {
        SCOPED_TRACE(std::string(entry.key.begin(), entry.key.end()));
        EXPECT_EQ(entry.valueType, 1);
        // The length counts the NUL, and the NUL is really there.
        EXPECT_EQ(entry.valueLength, entry.TextValue().size() + 1);
        ASSERT_GE(entry.value.size(), 2u);
        EXPECT_EQ(entry.value[entry.value.size() - 2], 0);
        EXPECT_EQ(entry.value.back(), 0);
    }
}

TEST_F(VersionBlock, TranslationNamesJapaneseAndTheTablesCodePage) {
    const VersionNode* varInfo = root.Child(u"VarFileInfo");
    ASSERT_NE(varInfo, nullptr);
    const VersionNode* translation = varInfo->Child(u"Translation");
    ASSERT_NE(translation, nullptr);
    EXPECT_EQ(translation->valueType, 0);
    EXPECT_EQ(translation->valueLength, 4);
    EXPECT_EQ(translation->value, (std::vector<std::uint8_t>{0x11, 0x04, 0xE4, 0x04}));
}

void ExpectAlignedBlocks(const VersionNode& node) {
    EXPECT_EQ(node.offset % 4, 0u) << "block at " << node.offset;
    for (const VersionNode& child : node.children) {
        EXPECT_LE(child.offset + child.length, node.offset + node.length);
        ExpectAlignedBlocks(child);
    }
}

TEST_F(VersionBlock, EveryBlockStartsOnADwordInsideItsParent) { ExpectAlignedBlocks(root); }

}  // namespace
