// Icons from icon groups: the 4-bit images with their masks, the sizes
// asked for, and icon files that are not what they claim.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "platform/icon.h"
#include "platform/module.h"
#include "platform/qt/resources/ico_decoder.h"
#include "platform/qt/resources/icon.h"
#include "platform/window.h"
#include "tests/platform/qt/support/qt_test_support.h"

namespace {

using namespace platform;

void PutWord(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutDword(std::vector<std::uint8_t>& out, std::uint32_t value) {
    PutWord(out, value & 0xFFFF);
    PutWord(out, value >> 16);
}

// An 8 x 8, 4-bit icon: left half palette colour 1 (red), right half colour
// 2 (blue), the top row masked out (transparent).
std::vector<std::uint8_t> SmallIconFile() {
    std::vector<std::uint8_t> bitmap;
    PutDword(bitmap, 40);
    PutDword(bitmap, 8);
    PutDword(bitmap, 16);  // colour rows and mask rows
    PutWord(bitmap, 1);
    PutWord(bitmap, 4);
    for (int i = 0; i < 6; ++i) PutDword(bitmap, 0);
    const std::uint8_t palette[16][4] = {{0, 0, 0, 0}, {0, 0, 255, 0}, {255, 0, 0, 0}};
    for (const auto& entry : palette) bitmap.insert(bitmap.end(), entry, entry + 4);
    for (int row = 0; row < 8; ++row) bitmap.insert(bitmap.end(), {0x11, 0x11, 0x22, 0x22});
    for (int row = 0; row < 8; ++row) {
        // Rows run bottom-up: the last stored row is the top one.
        const std::uint8_t bits = row == 7 ? 0xFF : 0x00;
        bitmap.insert(bitmap.end(), {bits, 0, 0, 0});
    }
    std::vector<std::uint8_t> file;
    PutWord(file, 0);
    PutWord(file, 1);
    PutWord(file, 1);
    file.insert(file.end(), {8, 8, 16, 0});
    PutWord(file, 1);
    PutWord(file, 4);
    PutDword(file, static_cast<std::uint32_t>(bitmap.size()));
    PutDword(file, 22);
    file.insert(file.end(), bitmap.begin(), bitmap.end());
    return file;
}

TEST(IconDecoder, DecodesColoursAndMask) {
    const auto file = SmallIconFile();
    const auto images = qt::DecodeIconFile(file.data(), file.size());
    ASSERT_EQ(images.size(), 1u);
    const QImage& image = images[0].image;
    ASSERT_EQ(image.size(), QSize(8, 8));
    EXPECT_EQ(images[0].bitCount, 4);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "masked";
    EXPECT_EQ(image.pixel(0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(7, 7), qRgb(0, 0, 255));
}

TEST(IconDecoder, EveryTruncationIsSafe) {
    const auto file = SmallIconFile();
    for (std::size_t size = 0; size < file.size(); ++size) {
        const auto copy = std::make_unique<std::uint8_t[]>(size + 1);
        std::memcpy(copy.get(), file.data(), size);
        EXPECT_TRUE(qt::DecodeIconFile(copy.get(), size).empty()) << "cut at " << size;
    }
}

TEST(IconDecoder, RefusesWhatIsNotAnIcon) {
    auto cursor = SmallIconFile();
    cursor[2] = 2;
    EXPECT_TRUE(qt::DecodeIconFile(cursor.data(), cursor.size()).empty());
    auto farOffset = SmallIconFile();
    farOffset[18] = 0xFF;  // image offset past the end
    EXPECT_TRUE(qt::DecodeIconFile(farOffset.data(), farOffset.size()).empty());
    auto manyImages = SmallIconFile();
    manyImages[4] = 0xFF;
    EXPECT_TRUE(qt::DecodeIconFile(manyImages.data(), manyImages.size()).empty());
    auto hugeWidth = SmallIconFile();
    hugeWidth[22 + 5] = 0x40;  // width 0x4008
    EXPECT_TRUE(qt::DecodeIconFile(hugeWidth.data(), hugeWidth.size()).empty());
    EXPECT_TRUE(qt::DecodeIconFile(nullptr, 100).empty());
}

// How many of Qt's image format plug-ins the process has loaded.
int LoadedImagePlugins() {
    std::ifstream maps("/proc/self/maps");
    std::set<std::string> plugins;
    for (std::string line; std::getline(maps, line);) {
        if (line.find("/imageformats/") != std::string::npos)
            plugins.insert(line.substr(line.find('/')));
    }
    return static_cast<int>(plugins.size());
}

// The program's own icon group, at the large and the small icon size. Its
// PNG image is read without loading every image plug-in installed, which
// would stay loaded for nothing.
TEST(Icon, LoadsTheProgramIconInBothSizes) {
    const int pluginsBefore = LoadedImagePlugins();
    const IconHandle large = LoadIcon(ProgramImage(), 128);
    const IconHandle small = LoadImage(ProgramImage(), 128, IMAGE_ICON, 16, 16, 0);
    ASSERT_NE(large, nullptr);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(qt::LiveIcon(large)->image.size(), QSize(32, 32));
    EXPECT_EQ(qt::LiveIcon(small)->image.size(), QSize(16, 16));
    EXPECT_EQ(qAlpha(qt::LiveIcon(large)->image.pixel(0, 0)), 0) << "a transparent background";
    EXPECT_EQ(LoadIcon(ProgramImage(), 128), large) << "the same icon, not another copy";
    EXPECT_NE(LoadImage(ProgramImage(), 128, IMAGE_ICON, 28, 28, 0), nullptr) << "scaled";
    EXPECT_EQ(LoadedImagePlugins(), pluginsBefore);
}

TEST(Icon, MissingOrUnsupportedGiveNull) {
    EXPECT_EQ(LoadIcon(ProgramImage(), 4242), nullptr);
    EXPECT_EQ(LoadIcon(nullptr, 128), nullptr);
    EXPECT_EQ(LoadImage(ProgramImage(), 128, 0, 16, 16, 0), nullptr) << "bitmaps are not icons";
    EXPECT_EQ(LoadImage(ProgramImage(), 128, IMAGE_ICON, -1, 16, 0), nullptr);
    EXPECT_EQ(LoadImage(ProgramImage(), 128, IMAGE_ICON, 100000, 16, 0), nullptr);
    EXPECT_EQ(qt::LiveIcon(reinterpret_cast<IconHandle>(std::intptr_t{8})), nullptr);
}

TEST(Icon, SetIconMessageSetsTheWindowIcons) {
    WindowHandle dialog = qt_test::CreateDialog(qt_test::DialogSpec{});
    const IconHandle large = LoadIcon(ProgramImage(), 128);
    const auto value = reinterpret_cast<std::intptr_t>(large);
    EXPECT_EQ(SendMessage(dialog, WM_SETICON, ICON_BIG, value), 0);
    EXPECT_EQ(SendMessage(dialog, WM_SETICON, ICON_SMALL, value), 0);
    EXPECT_EQ(SendMessage(dialog, WM_SETICON, ICON_BIG, 0), value) << "answers the previous icon";
    EXPECT_EQ(SendMessage(dialog, WM_SETICON, ICON_BIG, 0x55), 0) << "not an icon: ignored";
    qt_test::HandledMessages() = {WM_SETICON};
    EXPECT_EQ(SendMessage(dialog, WM_SETICON, ICON_SMALL, 0), 1)
        << "left to a procedure that handles it";
    qt_test::HandledMessages().clear();
    DestroyWindow(dialog);
}

}  // namespace
