// The core library look-up, the free-space query it hands out, and the heap.
#include "platform/library.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/heap.h"
#include "platform/root_enumeration.h"
#include "tests/platform/linux/prepared_tree.h"
#include "tests/platform/linux/removable_media.h"

namespace {

using namespace platform;
using namespace velorwind_test;

TEST(Library, LoadsOnlyTheCoreLibrary) {
    for (const char16_t* name : {u"COREDLL.DLL", u"coredll.dll", u"CoreDll.Dll"}) {
        const LibraryHandle library = LoadLibrary(name);
        EXPECT_NE(library, nullptr);
        EXPECT_TRUE(ReleaseLibrary(library));
    }
    for (const char16_t* name : {u"COREDLL", u"COREDLL.DLL ", u"KERNEL32.DLL", u"COREDLL.DLL.", u"",
                                 u"ＣＯＲＥＤＬＬ.DLL", static_cast<const char16_t*>(nullptr)}) {
        EXPECT_EQ(LoadLibrary(name), nullptr);
    }
    EXPECT_FALSE(ReleaseLibrary(nullptr));
}

TEST(Library, HandsOutOnlyTheFreeSpaceQuery) {
    const LibraryHandle library = LoadLibrary(u"COREDLL.DLL");
    EXPECT_NE(FindLibraryEntry(library, u"GetDiskFreeSpaceExW"), nullptr);
    for (const char16_t* name :
         {u"getdiskfreespaceexw", u"GetDiskFreeSpaceEx", u"GetDiskFreeSpaceExA", u"",
          static_cast<const char16_t*>(nullptr)}) {
        EXPECT_EQ(FindLibraryEntry(library, name), nullptr);
    }
    EXPECT_EQ(FindLibraryEntry(nullptr, u"GetDiskFreeSpaceExW"), nullptr);
    ReleaseLibrary(library);
}

// The free-space query, taken from the library as the survey takes it, on
// an SD card "mounted" at a real folder of the prepared tree.
class FreeSpaceTest : public testing::Test {
protected:
    void SetUp() override {
        PrepareBlockDevices(tree_);
        tree_.MakeFolder("mnt/SD CARD");
        tree_.Write("proc/self/mountinfo", MountLine(SD_CARD, tree_.Path("mnt/SD CARD")) +
                                               MountLine(USB_STICK, "/nonexistent/STICK"));
        const LibraryHandle library = LoadLibrary(u"COREDLL.DLL");
        query_ =
            reinterpret_cast<DiskFreeSpaceQuery>(FindLibraryEntry(library, u"GetDiskFreeSpaceExW"));
        ReleaseLibrary(library);
        ASSERT_NE(query_, nullptr);
    }

    PreparedTree tree_;
    DiskFreeSpaceQuery query_ = nullptr;
};

TEST_F(FreeSpaceTest, AnswersForVolumeName) {
    std::uint64_t available = 0, total = 0, totalFree = 0;
    ASSERT_NE(query_(u"/SD CARD", &available, &total, &totalFree), 0);
    const std::filesystem::space_info space = std::filesystem::space(tree_.Path("mnt/SD CARD"));
    EXPECT_EQ(total, space.capacity);
    EXPECT_LE(available, totalFree);
    EXPECT_LE(totalFree, total);
    // Other processes write meanwhile; a wrong field or unit is far off.
    constexpr std::uint64_t slack = 1ull << 30;
    EXPECT_LT(totalFree > space.free ? totalFree - space.free : space.free - totalFree, slack);
}

TEST_F(FreeSpaceTest, AllowsNullPlaces) {
    EXPECT_NE(query_(u"/SD CARD", nullptr, nullptr, nullptr), 0);
}

TEST_F(FreeSpaceTest, FailsForWhatNamesNoMeasurableVolume) {
    for (const char16_t* path : {u"/NOPE", u"/SD", u"/SD CARD/", u"SD CARD", u"/", u"",
                                 u"//SD CARD", u"/STICK", static_cast<const char16_t*>(nullptr)}) {
        std::uint64_t total = 7;
        EXPECT_EQ(query_(path, nullptr, &total, nullptr), 0);
        EXPECT_EQ(total, 7u);
    }
}

// While the survey enumerates the root, the query answers from the same
// snapshot of the mount table; once the enumeration is closed it reads the
// table afresh and sees the card gone.
TEST_F(FreeSpaceTest, ResolvesThroughTheOpenEnumeration) {
    FindDataRecord entry;
    const FindHandle enumeration = FindFirstEntry(u"/*.*", &entry);
    ASSERT_NE(enumeration, InvalidFindHandle());
    tree_.Write("proc/self/mountinfo", "");  // the card is taken out meanwhile
    EXPECT_NE(query_(u"/SD CARD", nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(query_(u"/OTHER", nullptr, nullptr, nullptr), 0);
    EXPECT_TRUE(CloseEnumeration(enumeration));
    EXPECT_EQ(query_(u"/SD CARD", nullptr, nullptr, nullptr), 0);
    EXPECT_FALSE(CloseEnumeration(enumeration)) << "a second close is refused";
}

TEST(Heap, EmptyRequestStillGivesBlock) {
    void* block = HeapAllocate(0);
    EXPECT_NE(block, nullptr);
    HeapRelease(block);
    HeapRelease(nullptr);
}

}  // namespace
