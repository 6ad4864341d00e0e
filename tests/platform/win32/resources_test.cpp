// The executable's resources: both templates, the icon group and the version
// block, each the same bytes as the program image of the other builds holds,
// in Japanese, and read back through the system's own loaders.
// The portable headers come before the Windows API's, whose macros share
// some of their names.
#include "resources/binary_writer.h"
#include "resources/resource_ids.h"
#include "resources/status_layouts.h"
#include "resources/version_block.h"
#include "resources/version_values.h"

#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/resources/icon_sizes.h"
#include "tests/platform/win32/win32_test_support.h"

namespace {

using namespace platform;
using win32_test::Executable;

BOOL CALLBACK NoteLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
    reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
    return TRUE;
}

TEST(ExecutableResources, AreTaggedJapaneseOnly) {
    const struct {
        std::uint32_t type, id;
    } cases[] = {{RESOURCE_DIALOG, resources::IDD_STATUS_TALL},
                 {RESOURCE_DIALOG, resources::IDD_STATUS_WIDE},
                 {RESOURCE_ICON_GROUP, resources::IDI_APP},
                 {RESOURCE_VERSION, resources::VERSION_RESOURCE_ID}};
    for (const auto& c : cases) {
        std::vector<WORD> languages;
        EnumResourceLanguagesW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(c.type),
                               MAKEINTRESOURCEW(c.id), NoteLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        EXPECT_EQ(languages, std::vector<WORD>{LANGUAGE_JAPANESE}) << c.type << "/" << c.id;
    }
}

TEST(ExecutableResources, TemplatesAreTheProgramImagesBytes) {
    constexpr auto tall = resources::SerialiseBytes<[](auto& out) {
        resources::WriteStatusDialog(out, resources::Layout::Tall);
    }>();
    constexpr auto wide = resources::SerialiseBytes<[](auto& out) {
        resources::WriteStatusDialog(out, resources::Layout::Wide);
    }>();
    const struct {
        std::uint32_t id;
        const std::uint8_t* bytes;
        std::size_t size;
    } cases[] = {{resources::IDD_STATUS_TALL, tall.data(), tall.size()},
                 {resources::IDD_STATUS_WIDE, wide.data(), wide.size()}};
    for (const auto& c : cases) {
        const ResourceRecord* entry = FindResourceEntry(Executable(), c.id, RESOURCE_DIALOG);
        ASSERT_NE(entry, nullptr) << c.id;
        ASSERT_EQ(ResourceEntrySize(Executable(), entry), c.size) << c.id;
        const auto* loaded =
            static_cast<const std::uint8_t*>(LoadResourceEntry(Executable(), entry));
        EXPECT_TRUE(std::equal(c.bytes, c.bytes + c.size, loaded)) << c.id;
    }
    EXPECT_EQ(FindResourceEntry(Executable(), 104, RESOURCE_DIALOG), nullptr);
    EXPECT_EQ(LoadResourceEntry(Executable(), nullptr), nullptr);
    EXPECT_EQ(ResourceEntrySize(Executable(), nullptr), 0u);
}

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return {0, 0};
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return {mask.bmWidth, info.hbmColor ? mask.bmHeight : mask.bmHeight / 2};
}

// The icon's pixels, top row first, as blue, green, red, alpha.
std::vector<RGBQUAD> IconPixels(HICON icon, int side) {
    ICONINFO info{};
    std::vector<RGBQUAD> pixels(static_cast<std::size_t>(side) * side);
    if (!GetIconInfo(icon, &info)) return {};
    BITMAPINFO format{};
    format.bmiHeader = {sizeof format.bmiHeader, side, -side, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    const int rows =
        GetDIBits(screen, info.hbmColor, 0, side, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return rows == side ? pixels : std::vector<RGBQUAD>{};
}

TEST(ExecutableResources, TheIconLoadsAtBothSizes) {
    const SIZE large = IconSize(win32::ToHicon(LoadIcon(Executable(), resources::IDI_APP)));
    EXPECT_EQ(large.cx, 32);
    EXPECT_EQ(large.cy, 32);
    const SIZE small = IconSize(
        win32::ToHicon(LoadImage(Executable(), resources::IDI_APP, IMAGE_ICON, 16, 16, 0)));
    EXPECT_EQ(small.cx, 16);
    EXPECT_EQ(small.cy, 16);
    EXPECT_EQ(LoadIcon(Executable(), 4242), nullptr);
}

// The notification area's side at 100 % to 500 % scaling, and sides between:
// each comes out at that side, smooth (its edges partly transparent), with
// the red mark and transparent corners, whether the group has an image of
// that side or a larger one is scaled down.
TEST(ExecutableResources, TheIconLoadsAtEverySideTheShellAsksFor) {
    HINSTANCE executable = GetModuleHandleW(nullptr);
    for (const int side : {16, 18, 20, 24, 28, 32, 36, 40, 48, 56, 64, 80, 128, 256}) {
        SCOPED_TRACE(side);
        HICON icon = win32::LoadIconAtSide(executable, resources::IDI_APP, side);
        ASSERT_NE(icon, nullptr);
        const SIZE size = IconSize(icon);
        EXPECT_EQ(size.cx, side);
        EXPECT_EQ(size.cy, side);
        const std::vector<RGBQUAD> pixels = IconPixels(icon, side);
        ASSERT_EQ(pixels.size(), static_cast<std::size_t>(side) * side);
        int partial = 0, red = 0;
        for (const RGBQUAD& pixel : pixels) {
            if (pixel.rgbReserved != 0 && pixel.rgbReserved != 255) ++partial;
            if (pixel.rgbReserved == 255 && pixel.rgbRed > 150 && pixel.rgbGreen < 80) ++red;
        }
        EXPECT_GT(partial, side / 2) << "smooth edges";
        EXPECT_GT(red, side * side / 16) << "the red mark";
        EXPECT_EQ(pixels.front().rgbReserved, 0) << "a transparent corner";
        DestroyIcon(icon);
    }
    for (const int side : {0, -16, 257, 100000}) {
        EXPECT_EQ(win32::LoadIconAtSide(executable, resources::IDI_APP, side), nullptr) << side;
    }
    EXPECT_EQ(win32::LoadIconAtSide(executable, 4242, 16), nullptr);
}

// An icon group directory of square images: side (0 for 256), bits per
// pixel and resource number of each.
std::vector<std::uint8_t> GroupDirectory(std::initializer_list<std::array<int, 3>> images,
                                         int type = 1) {
    const auto byte = [](auto value) { return static_cast<std::uint8_t>(value); };
    std::vector<std::uint8_t> bytes{0, 0, byte(type), 0, byte(images.size()), 0};
    for (const auto& [side, bits, id] : images) {
        // Width, height, colours, reserved, planes, bits, bytes, number.
        const std::uint8_t entry[14] = {byte(side), byte(side), 0, 0, 1, 0,        byte(bits),
                                        0,          0x10,       0, 0, 0, byte(id), 0};
        bytes.insert(bytes.end(), std::begin(entry), std::end(entry));
    }
    return bytes;
}

// Each row: a group, the side asked for, and the resource number of the
// image that gives it (0: none).
TEST(IconImageChoice, TheSameSideElseTheNextLargerElseTheLargest) {
    const auto usual =
        GroupDirectory({{16, 32, 1}, {24, 32, 2}, {32, 32, 3}, {48, 32, 4}, {0, 32, 5}});
    const auto depths = GroupDirectory({{32, 4, 1}, {32, 32, 2}, {32, 8, 3}});
    const auto smallOnly = GroupDirectory({{16, 4, 1}, {32, 4, 2}});
    const auto cursor = GroupDirectory({{16, 32, 1}}, 2);
    auto truncated = usual;
    truncated.resize(truncated.size() - 1);
    const struct {
        const char* name;
        const std::vector<std::uint8_t>& group;
        int side;
        WORD chosen;
    } rows[] = {
        {"the same side", usual, 24, 2},
        {"18 from 24", usual, 18, 2},
        {"28 from 32", usual, 28, 3},
        {"40 from 48", usual, 40, 4},
        {"80 from 256", usual, 80, 5},
        {"256 itself", usual, 256, 5},
        {"8 from 16", usual, 8, 1},
        {"the deepest colours of a side", depths, 32, 2},
        {"48 from the largest there is", smallOnly, 48, 2},
        {"a cursor's group is none", cursor, 16, 0},
        {"a directory cut short is none", truncated, 16, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto chosen = win32::ChooseIconImage(row.group.data(), row.group.size(), row.side);
        EXPECT_EQ(chosen ? chosen->id : 0, row.chosen);
    }
    EXPECT_FALSE(win32::ChooseIconImage(nullptr, 100, 16));
    EXPECT_FALSE(win32::ChooseIconImage(usual.data(), 5, 16));
    const auto empty = GroupDirectory({});
    EXPECT_FALSE(win32::ChooseIconImage(empty.data(), empty.size(), 16));
}

// The version block as the system's version library reads it.
class VersionBlock : public testing::Test {
protected:
    void SetUp() override {
        wchar_t path[MAX_PATH];
        ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
        DWORD ignored = 0;
        block_.resize(GetFileVersionInfoSizeW(path, &ignored));
        ASSERT_FALSE(block_.empty());
        ASSERT_TRUE(GetFileVersionInfoW(path, 0, static_cast<DWORD>(block_.size()), block_.data()));
    }

    template <typename T>
    const T* Value(const std::u16string& key, UINT* length = nullptr) {
        void* value = nullptr;
        UINT size = 0;
        if (!VerQueryValueW(block_.data(), win32::Wide(key.c_str()), &value, &size)) return nullptr;
        if (length != nullptr) *length = size;
        return static_cast<const T*>(value);
    }

    std::vector<std::uint8_t> block_;
};

TEST_F(VersionBlock, HoldsTheVersionDataOfVersionJson) {
    const VS_FIXEDFILEINFO* fixed = Value<VS_FIXEDFILEINFO>(u"\\");
    ASSERT_NE(fixed, nullptr);
    const resources::VersionInfo& info = resources::VERSION_INFO;
    EXPECT_EQ(fixed->dwFileVersionMS, resources::HighVersionDword(info.fileVersion));
    EXPECT_EQ(fixed->dwFileVersionLS, resources::LowVersionDword(info.fileVersion));
    EXPECT_EQ(fixed->dwProductVersionMS, resources::HighVersionDword(info.productVersion));
    EXPECT_EQ(fixed->dwFileOS, info.fileOS);
    EXPECT_EQ(fixed->dwFileType, info.fileType);

    const WORD* translation = Value<WORD>(u"\\VarFileInfo\\Translation");
    ASSERT_NE(translation, nullptr);
    EXPECT_EQ(translation[0], info.language);
    EXPECT_EQ(translation[1], info.codePage);

    for (const resources::VersionString& entry : resources::VERSION_STRINGS) {
        const std::u16string key = u"\\StringFileInfo\\041104E4\\" + std::u16string(entry.key);
        UINT length = 0;
        const char16_t* value = Value<char16_t>(key, &length);
        ASSERT_NE(value, nullptr) << std::string(entry.key.begin(), entry.key.end());
        EXPECT_EQ(std::u16string_view(value), entry.value);
    }
}

}  // namespace
