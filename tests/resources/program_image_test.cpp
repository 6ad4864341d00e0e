// The program image's resource table, looked up as the program does.
#include <gtest/gtest.h>

#include "platform/module.h"
#include "resources/resource_ids.h"

namespace {

struct ResourceCase {
    std::uint32_t id;
    std::uint32_t type;
};

const ResourceCase PROGRAM_RESOURCES[] = {
    {102, platform::RESOURCE_DIALOG},
    {103, platform::RESOURCE_DIALOG},
    {128, platform::RESOURCE_ICON_GROUP},
    {1, platform::RESOURCE_VERSION},
};

TEST(ProgramImage, FindsEveryResourceInJapanese) {
    const platform::InstanceHandle image = platform::ProgramImage();
    ASSERT_NE(image, nullptr);
    for (const ResourceCase& c : PROGRAM_RESOURCES) {
        SCOPED_TRACE(testing::Message() << "resource " << c.id << " of type " << c.type);
        const platform::ResourceRecord* entry = platform::FindResourceEntry(image, c.id, c.type);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->language, 0x0411);
        EXPECT_NE(platform::LoadResourceEntry(image, entry), nullptr);
        EXPECT_GT(platform::ResourceEntrySize(image, entry), 0u);
    }
}

TEST(ProgramImage, HoldsNothingElse) {
    EXPECT_EQ(platform::ProgramImage()->resourceCount, std::size(PROGRAM_RESOURCES));
}

TEST(ProgramImage, LooksUpByTypeAndNumberTogether) {
    const platform::InstanceHandle image = platform::ProgramImage();
    const ResourceCase absent[] = {
        {102, platform::RESOURCE_ICON_GROUP}, {128, platform::RESOURCE_DIALOG},
        {1, platform::RESOURCE_DIALOG},       {101, platform::RESOURCE_DIALOG},
        {104, platform::RESOURCE_DIALOG},     {128, platform::RESOURCE_ICON},
    };
    for (const ResourceCase& c : absent) {
        EXPECT_EQ(platform::FindResourceEntry(image, c.id, c.type), nullptr)
            << "resource " << c.id << " of type " << c.type;
    }
}

}  // namespace
