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

#include <string>
#include <vector>

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

SIZE IconSize(IconHandle icon) {
    ICONINFO info{};
    if (!GetIconInfo(win32::ToHicon(icon), &info)) return {0, 0};
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return {mask.bmWidth, info.hbmColor ? mask.bmHeight : mask.bmHeight / 2};
}

TEST(ExecutableResources, TheIconLoadsAtBothSizes) {
    const SIZE large = IconSize(LoadIcon(Executable(), resources::IDI_APP));
    EXPECT_EQ(large.cx, 32);
    EXPECT_EQ(large.cy, 32);
    const SIZE small = IconSize(LoadImage(Executable(), resources::IDI_APP, IMAGE_ICON, 16, 16, 0));
    EXPECT_EQ(small.cx, 16);
    EXPECT_EQ(small.cy, 16);
    EXPECT_EQ(LoadIcon(Executable(), 4242), nullptr);
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
