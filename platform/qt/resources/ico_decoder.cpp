#include "platform/qt/resources/ico_decoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <cstdlib>
#include <cstring>
#include <limits>

namespace platform::qt {

namespace {

constexpr std::size_t DIRECTORY_BYTES = 6;
constexpr std::size_t ENTRY_BYTES = 16;
constexpr std::size_t BITMAP_HEADER_BYTES = 40;
constexpr int LARGEST_SIDE = 256;
constexpr std::uint32_t BI_RGB = 0;

std::uint16_t Word(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

std::uint32_t Dword(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(Word(at)) | (static_cast<std::uint32_t>(Word(at + 2)) << 16);
}

// Bytes per row of a bitmap: rows are padded to 32 bits.
std::size_t RowBytes(int width, int bitCount) {
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 31) / 32) * 4;
}

struct BitmapLayout {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::size_t paletteOffset = 0;
    std::size_t paletteEntries = 0;
    std::size_t pixelOffset = 0;
    std::size_t maskOffset = 0;
    bool hasMask = false;
};

bool ReadLayout(const std::uint8_t* data, std::size_t size, BitmapLayout& layout) {
    if (size < BITMAP_HEADER_BYTES) return false;
    const std::uint32_t headerBytes = Dword(data);
    const auto width = static_cast<std::int32_t>(Dword(data + 4));
    const auto doubleHeight = static_cast<std::int32_t>(Dword(data + 8));
    const std::uint16_t planes = Word(data + 12);
    const std::uint16_t bitCount = Word(data + 14);
    const std::uint32_t compression = Dword(data + 16);
    const std::uint32_t coloursUsed = Dword(data + 32);
    if (headerBytes < BITMAP_HEADER_BYTES || headerBytes > size || planes != 1 ||
        compression != BI_RGB) {
        return false;
    }
    // The height counts the colour rows and the mask rows.
    if (width <= 0 || width > LARGEST_SIDE || doubleHeight <= 0 || doubleHeight % 2 != 0 ||
        doubleHeight / 2 > LARGEST_SIDE) {
        return false;
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
        return false;
    }
    layout.width = width;
    layout.height = doubleHeight / 2;
    layout.bitCount = bitCount;
    layout.paletteOffset = headerBytes;
    if (bitCount <= 8) {
        const std::size_t full = std::size_t{1} << bitCount;
        layout.paletteEntries = coloursUsed != 0 && coloursUsed < full ? coloursUsed : full;
    }
    layout.pixelOffset = layout.paletteOffset + layout.paletteEntries * 4;
    layout.maskOffset =
        layout.pixelOffset + RowBytes(width, bitCount) * static_cast<std::size_t>(layout.height);
    if (layout.maskOffset > size) return false;
    // A 32-bit image may leave its mask out and rely on its alpha.
    layout.hasMask =
        layout.maskOffset + RowBytes(width, 1) * static_cast<std::size_t>(layout.height) <= size;
    return layout.hasMask || bitCount == 32;
}

QRgb PaletteColour(const std::uint8_t* data, const BitmapLayout& layout, std::size_t index) {
    if (index >= layout.paletteEntries) return qRgb(0, 0, 0);
    const std::uint8_t* entry = data + layout.paletteOffset + index * 4;
    return qRgb(entry[2], entry[1], entry[0]);
}

std::size_t IndexAt(const std::uint8_t* row, int x, int bitCount) {
    const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bitCount);
    const std::uint8_t byte = row[bit / 8];
    const int shift = 8 - bitCount - static_cast<int>(bit % 8);
    return (byte >> shift) & ((1u << bitCount) - 1u);
}

QRgb PixelAt(const std::uint8_t* data, const BitmapLayout& layout, const std::uint8_t* row, int x,
             bool& hasAlpha) {
    if (layout.bitCount <= 8) return PaletteColour(data, layout, IndexAt(row, x, layout.bitCount));
    const std::uint8_t* pixel = row + static_cast<std::size_t>(x) * (layout.bitCount / 8);
    if (layout.bitCount == 24) return qRgb(pixel[2], pixel[1], pixel[0]);
    if (pixel[3] != 0) hasAlpha = true;
    return qRgba(pixel[2], pixel[1], pixel[0], pixel[3]);
}

// Rows are stored bottom-up.
QImage DecodeBitmap(const std::uint8_t* data, std::size_t size, int& bitCount) {
    BitmapLayout layout;
    if (!ReadLayout(data, size, layout)) return {};
    QImage image(layout.width, layout.height, QImage::Format_ARGB32);
    if (image.isNull()) return {};
    const std::size_t colourRow = RowBytes(layout.width, layout.bitCount);
    const std::size_t maskRow = RowBytes(layout.width, 1);
    bool hasAlpha = false;
    for (int y = 0; y < layout.height; ++y) {
        const auto storedRow = static_cast<std::size_t>(layout.height - 1 - y);
        const std::uint8_t* row = data + layout.pixelOffset + storedRow * colourRow;
        auto* target = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < layout.width; ++x) target[x] = PixelAt(data, layout, row, x, hasAlpha);
    }
    // Without an alpha channel the mask decides: a set bit is transparent.
    if (!hasAlpha && layout.hasMask) {
        for (int y = 0; y < layout.height; ++y) {
            const auto storedRow = static_cast<std::size_t>(layout.height - 1 - y);
            const std::uint8_t* mask = data + layout.maskOffset + storedRow * maskRow;
            auto* target = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < layout.width; ++x) {
                const bool transparent = IndexAt(mask, x, 1) != 0;
                target[x] = transparent ? qRgba(0, 0, 0, 0) : (target[x] | 0xFF000000u);
            }
        }
    } else if (!hasAlpha) {
        image = image.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_ARGB32);
    }
    bitCount = layout.bitCount;
    return image;
}

bool IsPng(const std::uint8_t* data, std::size_t size) {
    static constexpr std::uint8_t SIGNATURE[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return size >= sizeof SIGNATURE && std::memcmp(data, SIGNATURE, sizeof SIGNATURE) == 0;
}

// Qt's own PNG reader, and only it: a reader left to find the format
// itself would first load every image format plug-in installed to ask
// each whether it reads PNG, and they would stay loaded.
QImage DecodePng(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

IconImage DecodeImage(const std::uint8_t* data, std::size_t size) {
    IconImage decoded;
    if (IsPng(data, size)) {
        if (size > static_cast<std::size_t>(std::numeric_limits<int>::max())) return decoded;
        decoded.image = DecodePng(data, size);
        if (decoded.image.width() > LARGEST_SIDE || decoded.image.height() > LARGEST_SIDE)
            return {};
        decoded.image = decoded.image.convertToFormat(QImage::Format_ARGB32);
        decoded.bitCount = 32;
        return decoded;
    }
    decoded.image = DecodeBitmap(data, size, decoded.bitCount);
    return decoded;
}

}  // namespace

std::size_t IconImageCount(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < DIRECTORY_BYTES) return 0;
    // Reserved 0, type 1 (icon; 2 would be a cursor), then the image count.
    if (Word(data) != 0 || Word(data + 2) != 1) return 0;
    const std::size_t count = Word(data + 4);
    return count <= (size - DIRECTORY_BYTES) / ENTRY_BYTES ? count : 0;
}

IconImage DecodeIconImage(const std::uint8_t* data, std::size_t size, std::size_t index) {
    if (index >= IconImageCount(data, size)) return {};
    const std::uint8_t* entry = data + DIRECTORY_BYTES + index * ENTRY_BYTES;
    const std::size_t bytes = Dword(entry + 8);
    const std::size_t offset = Dword(entry + 12);
    if (offset > size || bytes > size - offset) return {};
    return DecodeImage(data + offset, bytes);
}

std::vector<IconImage> DecodeIconFile(const std::uint8_t* data, std::size_t size) {
    std::vector<IconImage> images;
    const std::size_t count = IconImageCount(data, size);
    for (std::size_t index = 0; index < count; ++index) {
        IconImage image = DecodeIconImage(data, size, index);
        if (!image.image.isNull()) images.push_back(std::move(image));
    }
    return images;
}

const IconImage* ClosestIconImage(const std::vector<IconImage>& images, int width, int height) {
    const IconImage* best = nullptr;
    long bestDistance = 0;
    for (const IconImage& candidate : images) {
        const long distance = std::labs(candidate.image.width() - width) +
                              std::labs(candidate.image.height() - height);
        if (best == nullptr || distance < bestDistance ||
            (distance == bestDistance && candidate.bitCount > best->bitCount)) {
            best = &candidate;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace platform::qt
