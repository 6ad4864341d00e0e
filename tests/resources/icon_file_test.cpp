// The application icon: an icon file with a 32 x 32 and a 16 x 16 image of
// 16 colours, embedded in the program exactly as it is kept in the sources.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/module.h"
#include "resources/resource_ids.h"
#include "tests/resources/resource_readers.h"

namespace {

using resource_test::ByteCursor;
using resource_test::ProgramResource;

constexpr std::size_t DIRECTORY_SIZE = 6;
constexpr std::size_t ENTRY_SIZE = 16;
constexpr std::size_t HEADER_SIZE = 40;
constexpr std::size_t PALETTE_SIZE = 16 * 4;

std::span<const std::uint8_t> IconGroup() {
    return ProgramResource(resources::IDI_APP, platform::RESOURCE_ICON_GROUP);
}

struct ImageCase {
    std::size_t index;
    std::uint8_t size;
    std::uint32_t bytes;
};
const ImageCase IMAGES[] = {{0, 32, 744}, {1, 16, 296}};

struct DirectoryEntry {
    std::uint8_t width, height, colourCount, reserved;
    std::uint16_t planes, bitCount;
    std::uint32_t bytes, offset;
};

DirectoryEntry ReadEntry(std::span<const std::uint8_t> file, std::size_t index) {
    ByteCursor in(file, DIRECTORY_SIZE + ENTRY_SIZE * index);
    DirectoryEntry entry{in.Byte(), in.Byte(), in.Byte(), in.Byte(),
                         in.Word(), in.Word(), in.Dword(), in.Dword()};
    EXPECT_FALSE(in.Failed());
    return entry;
}

// Colour index and transparency of one pixel, (0, 0) at the top left.
struct Pixel {
    std::uint8_t colour;
    bool transparent;
};

Pixel PixelAt(std::span<const std::uint8_t> image, int size, int x, int y) {
    const int row = size - 1 - y;  // rows are stored bottom-up
    const std::size_t colourStride = (size * 4 + 31) / 32 * 4;
    const std::size_t maskStride = (size + 31) / 32 * 4;
    const std::size_t colourAt = HEADER_SIZE + PALETTE_SIZE + row * colourStride + x / 2;
    const std::size_t maskAt = HEADER_SIZE + PALETTE_SIZE + size * colourStride + row * maskStride + x / 8;
    const std::uint8_t colourByte = image[colourAt];
    return {static_cast<std::uint8_t>(x % 2 == 0 ? colourByte >> 4 : colourByte & 0xF),
            ((image[maskAt] >> (7 - x % 8)) & 1) != 0};
}

TEST(AppIcon, DirectoryListsTwoImages) {
    const auto file = IconGroup();
    ByteCursor in(file);
    EXPECT_EQ(in.Word(), 0) << "reserved";
    EXPECT_EQ(in.Word(), 1) << "icon, not cursor";
    EXPECT_EQ(in.Word(), 2);
    EXPECT_FALSE(in.Failed());
    EXPECT_EQ(file.size(), DIRECTORY_SIZE + 2 * ENTRY_SIZE + 744 + 296);
}

TEST(AppIcon, EntriesDescribeSixteenColourImagesInOrder) {
    const auto file = IconGroup();
    std::size_t expectedOffset = DIRECTORY_SIZE + 2 * ENTRY_SIZE;
    for (const ImageCase& image : IMAGES) {
        SCOPED_TRACE(testing::Message() << "image " << int(image.size));
        const DirectoryEntry entry = ReadEntry(file, image.index);
        EXPECT_EQ(entry.width, image.size);
        EXPECT_EQ(entry.height, image.size);
        EXPECT_EQ(entry.colourCount, 16);
        EXPECT_EQ(entry.reserved, 0);
        EXPECT_EQ(entry.planes, 1);
        EXPECT_EQ(entry.bitCount, 4);
        EXPECT_EQ(entry.bytes, image.bytes);
        // The images follow the directory back to back, inside the file.
        EXPECT_EQ(entry.offset, expectedOffset);
        EXPECT_LE(std::size_t{entry.offset} + entry.bytes, file.size());
        expectedOffset += image.bytes;
    }
}

TEST(AppIcon, EachImageHasADoubleHeightFourBitHeader) {
    const auto file = IconGroup();
    for (const ImageCase& image : IMAGES) {
        SCOPED_TRACE(testing::Message() << "image " << int(image.size));
        const DirectoryEntry entry = ReadEntry(file, image.index);
        ASSERT_LE(std::size_t{entry.offset} + entry.bytes, file.size());
        ByteCursor in(file, entry.offset);
        EXPECT_EQ(in.Dword(), HEADER_SIZE);
        EXPECT_EQ(in.Dword(), image.size);
        EXPECT_EQ(in.Dword(), 2u * image.size) << "colour bits and mask together";
        EXPECT_EQ(in.Word(), 1) << "planes";
        EXPECT_EQ(in.Word(), 4) << "bits per pixel";
        EXPECT_EQ(in.Dword(), 0u) << "uncompressed";
        EXPECT_FALSE(in.Failed());
    }
}

TEST(AppIcon, PaletteIsTheStandardSixteenColours) {
    // Blue, green, red, reserved, for each entry.
    const std::array<std::array<std::uint8_t, 4>, 16> standard{{
        {0x00, 0x00, 0x00, 0}, {0x00, 0x00, 0x80, 0}, {0x00, 0x80, 0x00, 0}, {0x00, 0x80, 0x80, 0},
        {0x80, 0x00, 0x00, 0}, {0x80, 0x00, 0x80, 0}, {0x80, 0x80, 0x00, 0}, {0xC0, 0xC0, 0xC0, 0},
        {0x80, 0x80, 0x80, 0}, {0x00, 0x00, 0xFF, 0}, {0x00, 0xFF, 0x00, 0}, {0x00, 0xFF, 0xFF, 0},
        {0xFF, 0x00, 0x00, 0}, {0xFF, 0x00, 0xFF, 0}, {0xFF, 0xFF, 0x00, 0}, {0xFF, 0xFF, 0xFF, 0},
    }};
    const auto file = IconGroup();
    for (const ImageCase& image : IMAGES) {
        const DirectoryEntry entry = ReadEntry(file, image.index);
        ASSERT_LE(std::size_t{entry.offset} + HEADER_SIZE + PALETTE_SIZE, file.size());
        for (std::size_t i = 0; i < standard.size(); ++i) {
            for (std::size_t c = 0; c < 4; ++c) {
                EXPECT_EQ(file[entry.offset + HEADER_SIZE + 4 * i + c], standard[i][c])
                    << "image " << int(image.size) << " entry " << i;
            }
        }
    }
}

// A red question mark in front of grey strokes, on a transparent background.
TEST(AppIcon, PictureIsARedMarkOverGreyOnTransparency) {
    constexpr std::uint8_t GREY = 8;
    constexpr std::uint8_t RED = 9;
    const auto file = IconGroup();
    for (const ImageCase& image : IMAGES) {
        SCOPED_TRACE(testing::Message() << "image " << int(image.size));
        const DirectoryEntry entry = ReadEntry(file, image.index);
        ASSERT_EQ(entry.bytes, image.bytes);
        ASSERT_LE(std::size_t{entry.offset} + entry.bytes, file.size());
        const auto pixels = file.subspan(entry.offset, entry.bytes);
        const int size = image.size;
        std::array<int, 16> opaque{};
        int transparent = 0;
        int redLeft = size, redRight = -1, redTop = size, redBottom = -1;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const Pixel pixel = PixelAt(pixels, size, x, y);
                if (pixel.transparent) {
                    ++transparent;
                    // The screen is masked, then the colour mixed in: a
                    // transparent pixel must add nothing.
                    EXPECT_EQ(pixel.colour, 0) << x << "," << y;
                    continue;
                }
                ++opaque[pixel.colour];
                if (pixel.colour == RED) {
                    redLeft = std::min(redLeft, x);
                    redRight = std::max(redRight, x);
                    redTop = std::min(redTop, y);
                    redBottom = std::max(redBottom, y);
                }
            }
        }
        for (auto [x, y] : {std::pair{0, 0}, {size - 1, 0}, {0, size - 1}, {size - 1, size - 1}}) {
            EXPECT_TRUE(PixelAt(pixels, size, x, y).transparent) << "corner " << x << "," << y;
        }
        const int area = size * size;
        EXPECT_GT(transparent, area / 4);
        EXPECT_GT(opaque[GREY], area / 16) << "strokes behind the mark";
        // A large mark: red over most of the height and half the width.
        EXPECT_GE(redBottom - redTop + 1, size * 2 / 3);
        EXPECT_GE(redRight - redLeft + 1, size / 2);
    }
}

TEST(AppIcon, EmbeddedBytesAreTheIconFileAsKept) {
    std::ifstream in(VELORWIND_APP_ICON_PATH, std::ios::binary);
    ASSERT_TRUE(in) << VELORWIND_APP_ICON_PATH;
    const std::vector<std::uint8_t> kept{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
    const auto embedded = IconGroup();
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), embedded.begin(), embedded.end()));
}

}  // namespace
