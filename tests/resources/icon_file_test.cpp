// The application icon: an icon file with an image for every size Windows
// draws it at (16 to 64 pixels for 100 % to 200 % scaling, 256 for
// Explorer's large views), each of 32 bits with alpha, the largest one as a
// PNG; embedded in the program exactly as the build made it. That every
// image is the drawing rendered at its size is icon_source_test.sh's.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
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
constexpr int PNG_SIDE = 256;
const std::array<int, 8> SIDES{16, 20, 24, 32, 40, 48, 64, 256};

std::span<const std::uint8_t> IconGroup() {
    return ProgramResource(resources::IDI_APP, platform::RESOURCE_ICON_GROUP);
}

struct DirectoryEntry {
    int side;  // the entry's 0 stands for 256
    std::uint8_t height, colourCount, reserved;
    std::uint16_t planes, bitCount;
    std::uint32_t bytes, offset;
};

std::vector<DirectoryEntry> Entries(std::span<const std::uint8_t> file) {
    ByteCursor in(file);
    in.Skip(4);
    const std::uint16_t count = in.Word();
    std::vector<DirectoryEntry> entries;
    for (std::uint16_t i = 0; i < count && !in.Failed(); ++i) {
        const std::uint8_t width = in.Byte();
        DirectoryEntry entry{width == 0 ? 256 : width,
                             in.Byte(),
                             in.Byte(),
                             in.Byte(),
                             in.Word(),
                             in.Word(),
                             in.Dword(),
                             in.Dword()};
        if (!in.Failed()) entries.push_back(entry);
    }
    return entries;
}

std::span<const std::uint8_t> ImageOf(std::span<const std::uint8_t> file,
                                      const DirectoryEntry& entry) {
    if (std::size_t{entry.offset} + entry.bytes > file.size()) return {};
    return file.subspan(entry.offset, entry.bytes);
}

struct Rgba {
    std::uint8_t red, green, blue, alpha;
};

// The pixels of a 32-bit bitmap image, top row first.
std::vector<Rgba> Pixels(std::span<const std::uint8_t> image, int side) {
    std::vector<Rgba> pixels;
    if (image.size() < HEADER_SIZE + std::size_t(side) * side * 4) return pixels;
    for (int y = 0; y < side; ++y) {
        const std::size_t row = HEADER_SIZE + std::size_t(side - 1 - y) * side * 4;  // bottom-up
        for (int x = 0; x < side; ++x) {
            const std::uint8_t* at = image.data() + row + std::size_t(x) * 4;
            pixels.push_back({at[2], at[1], at[0], at[3]});
        }
    }
    return pixels;
}

TEST(AppIcon, HoldsAnImageForEverySizeWindowsDraws) {
    const auto file = IconGroup();
    ByteCursor in(file);
    EXPECT_EQ(in.Word(), 0) << "reserved";
    EXPECT_EQ(in.Word(), 1) << "icon, not cursor";
    EXPECT_EQ(in.Word(), SIDES.size());
    std::set<int> sides;
    std::size_t end = DIRECTORY_SIZE + ENTRY_SIZE * SIDES.size();
    for (const DirectoryEntry& entry : Entries(file)) {
        SCOPED_TRACE(testing::Message() << "image " << entry.side);
        sides.insert(entry.side);
        EXPECT_EQ(entry.height == 0 ? 256 : entry.height, entry.side) << "square";
        EXPECT_EQ(entry.colourCount, 0) << "no palette";
        EXPECT_EQ(entry.planes, 1);
        EXPECT_EQ(entry.bitCount, 32);
        // The images follow the directory, inside the file, none overlapping.
        EXPECT_GE(entry.offset, DIRECTORY_SIZE + ENTRY_SIZE * SIDES.size());
        EXPECT_FALSE(ImageOf(file, entry).empty());
        end = std::max<std::size_t>(end, std::size_t{entry.offset} + entry.bytes);
    }
    EXPECT_EQ(sides, std::set<int>(SIDES.begin(), SIDES.end()));
    EXPECT_EQ(end, file.size());
}

TEST(AppIcon, SmallImagesAreBitmapsOfThirtyTwoBitsWithAlpha) {
    const auto file = IconGroup();
    for (const DirectoryEntry& entry : Entries(file)) {
        if (entry.side == PNG_SIDE) continue;
        SCOPED_TRACE(testing::Message() << "image " << entry.side);
        const auto image = ImageOf(file, entry);
        ByteCursor in(image);
        EXPECT_EQ(in.Dword(), HEADER_SIZE);
        EXPECT_EQ(in.Dword(), std::uint32_t(entry.side));
        EXPECT_EQ(in.Dword(), 2u * entry.side) << "colour bits and mask together";
        EXPECT_EQ(in.Word(), 1) << "planes";
        EXPECT_EQ(in.Word(), 32) << "bits per pixel";
        EXPECT_EQ(in.Dword(), 0u) << "uncompressed";
        EXPECT_FALSE(in.Failed());
        // Smooth edges: besides transparent and opaque pixels there are
        // pixels between.
        std::set<std::uint8_t> alphas;
        for (const Rgba& pixel : Pixels(image, entry.side)) alphas.insert(pixel.alpha);
        EXPECT_TRUE(alphas.count(0) && alphas.count(255));
        EXPECT_GT(alphas.size(), 4u);
    }
}

TEST(AppIcon, TheLargestImageIsAPngOfEightBitsPerChannelWithAlpha) {
    const auto file = IconGroup();
    const auto entries = Entries(file);
    const auto largest = std::find_if(entries.begin(), entries.end(),
                                      [](const DirectoryEntry& e) { return e.side == PNG_SIDE; });
    ASSERT_NE(largest, entries.end());
    const auto png = ImageOf(file, *largest);
    const std::array<std::uint8_t, 16> header{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A,
                                              0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    ASSERT_GE(png.size(), 26u);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), png.begin()));
    auto bigEndian = [&](std::size_t at) {
        return std::uint32_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
    };
    EXPECT_EQ(bigEndian(16), 256u) << "width";
    EXPECT_EQ(bigEndian(20), 256u) << "height";
    EXPECT_EQ(png[24], 8) << "bits per channel";
    EXPECT_EQ(png[25], 6) << "red, green, blue and alpha";
}

// A large red question mark in front of grey strokes, on a transparent
// background, at every size.
TEST(AppIcon, EveryBitmapShowsARedMarkOverGreyOnTransparency) {
    const auto file = IconGroup();
    for (const DirectoryEntry& entry : Entries(file)) {
        if (entry.side == PNG_SIDE) continue;
        SCOPED_TRACE(testing::Message() << "image " << entry.side);
        const int size = entry.side;
        const std::vector<Rgba> pixels = Pixels(ImageOf(file, entry), size);
        ASSERT_EQ(pixels.size(), std::size_t(size) * size);
        int transparent = 0, grey = 0;
        int redLeft = size, redRight = -1, redTop = size, redBottom = -1;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const Rgba& p = pixels[std::size_t(y) * size + x];
                if (p.alpha == 0) ++transparent;
                if (p.alpha < 200) continue;
                if (p.red > 150 && p.green < 80 && p.blue < 80) {
                    redLeft = std::min(redLeft, x);
                    redRight = std::max(redRight, x);
                    redTop = std::min(redTop, y);
                    redBottom = std::max(redBottom, y);
                }
                if (std::abs(p.red - p.green) < 12 && std::abs(p.green - p.blue) < 12 &&
                    p.red > 90 && p.red < 200) {
                    ++grey;
                }
            }
        }
        for (auto [x, y] : {std::pair{0, 0}, {size - 1, 0}, {0, size - 1}, {size - 1, size - 1}}) {
            EXPECT_LT(pixels[std::size_t(y) * size + x].alpha, 128) << "corner " << x << "," << y;
        }
        const int area = size * size;
        EXPECT_GT(transparent, area / 4);
        EXPECT_GT(grey, area / 20) << "strokes behind the mark";
        EXPECT_GE(redBottom - redTop + 1, size * 2 / 3) << "a large mark";
        EXPECT_GE(redRight - redLeft + 1, size / 2);
    }
}

TEST(AppIcon, EmbeddedBytesAreTheIconFileTheBuildMade) {
    std::ifstream in(VELORWIND_APP_ICON_PATH, std::ios::binary);
    ASSERT_TRUE(in) << VELORWIND_APP_ICON_PATH;
    const std::vector<std::uint8_t> built{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    const auto embedded = IconGroup();
    EXPECT_TRUE(std::equal(built.begin(), built.end(), embedded.begin(), embedded.end()));
}

}  // namespace
