#include "platform/win32/resources/icon_sizes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

namespace platform::win32 {
namespace {

// An icon group resource: reserved 0, type 1, the image count, then one
// 14-byte entry an image (width, height, colours, reserved, planes, bits
// per pixel, bytes, icon resource number).
constexpr std::size_t GROUP_HEADER_BYTES = 6;
constexpr std::size_t GROUP_ENTRY_BYTES = 14;
constexpr int LARGEST_SIDE = 256;
// The resource types of icon groups and of their images.
constexpr WORD ICON_GROUP_TYPE = 14;
constexpr WORD ICON_IMAGE_TYPE = 3;
// The icon resource format CreateIconFromResourceEx is given.
constexpr DWORD ICON_FORMAT = 0x00030000;

WORD Word(const std::uint8_t* at) { return static_cast<WORD>(at[0] | (at[1] << 8)); }

// Lower ranks first: the exact side, then larger sides from the smallest,
// then smaller ones from the largest; deeper colours first within a side.
auto Rank(const IconGroupImage& image, int side) {
    const int kind = image.side == side ? 0 : image.side > side ? 1 : 2;
    const int distance = std::abs(image.side - side);
    return std::make_tuple(kind, distance, -image.bitCount);
}

// Pixels of an icon, top row first, with straight (not premultiplied) alpha.
using Pixels = std::vector<RGBQUAD>;

BITMAPINFO TopDownInfo(int side) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = side;
    info.bmiHeader.biHeight = -side;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

bool ReadBits(HDC screen, HBITMAP bitmap, int side, Pixels& pixels) {
    BITMAPINFO info = TopDownInfo(side);
    pixels.assign(static_cast<std::size_t>(side) * side, RGBQUAD{});
    return bitmap != nullptr &&
           GetDIBits(screen, bitmap, 0, side, pixels.data(), &info, DIB_RGB_COLORS) == side;
}

// An image without alpha takes its transparency from its mask.
bool ReadIconPixels(HICON icon, int side, Pixels& pixels) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return false;
    HDC screen = GetDC(nullptr);
    Pixels mask;
    const bool read = ReadBits(screen, info.hbmColor, side, pixels);
    const bool masked = ReadBits(screen, info.hbmMask, side, mask);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    if (!read) return false;
    bool hasAlpha = false;
    for (const RGBQUAD& pixel : pixels) hasAlpha = hasAlpha || pixel.rgbReserved != 0;
    if (hasAlpha) return true;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i].rgbReserved = masked && mask[i].rgbRed != 0 ? 0 : 255;
    }
    return true;
}

// Each target pixel is the average of the source area it covers, weighted
// by how much of each source pixel lies in it, and by its alpha, so that the
// colour of a transparent pixel does not bleed into the edge.
Pixels ScaleDown(const Pixels& source, int from, int to) {
    const double step = static_cast<double>(from) / to;
    Pixels target(static_cast<std::size_t>(to) * to);
    for (int ty = 0; ty < to; ++ty) {
        const double top = ty * step, bottom = top + step;
        for (int tx = 0; tx < to; ++tx) {
            const double left = tx * step, right = left + step;
            double weight = 0, alpha = 0, blue = 0, green = 0, red = 0;
            for (int sy = static_cast<int>(top); sy < from && sy < bottom; ++sy) {
                const double rowShare =
                    std::min<double>(bottom, sy + 1) - std::max<double>(top, sy);
                for (int sx = static_cast<int>(left); sx < from && sx < right; ++sx) {
                    const double share =
                        rowShare * (std::min<double>(right, sx + 1) - std::max<double>(left, sx));
                    const RGBQUAD& pixel = source[static_cast<std::size_t>(sy) * from + sx];
                    const double covered = share * pixel.rgbReserved;
                    weight += share;
                    alpha += covered;
                    blue += covered * pixel.rgbBlue;
                    green += covered * pixel.rgbGreen;
                    red += covered * pixel.rgbRed;
                }
            }
            RGBQUAD& out = target[static_cast<std::size_t>(ty) * to + tx];
            if (alpha <= 0 || weight <= 0) continue;
            out.rgbBlue = static_cast<BYTE>(std::lround(blue / alpha));
            out.rgbGreen = static_cast<BYTE>(std::lround(green / alpha));
            out.rgbRed = static_cast<BYTE>(std::lround(red / alpha));
            out.rgbReserved = static_cast<BYTE>(std::lround(alpha / weight));
        }
    }
    return target;
}

HICON IconFromPixels(const Pixels& pixels, int side) {
    BITMAPINFO info = TopDownInfo(side);
    void* bits = nullptr;
    HBITMAP colour = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (colour == nullptr) return nullptr;
    std::memcpy(bits, pixels.data(), pixels.size() * sizeof(RGBQUAD));
    // The mask's rows are padded to 16 bits; a set bit is transparent.
    const std::size_t stride = (static_cast<std::size_t>(side) + 15) / 16 * 2;
    std::vector<BYTE> maskBits(stride * side, 0);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            if (pixels[static_cast<std::size_t>(y) * side + x].rgbReserved == 0) {
                maskBits[y * stride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
            }
        }
    }
    HBITMAP mask = CreateBitmap(side, side, 1, 1, maskBits.data());
    HICON icon = nullptr;
    if (mask != nullptr) {
        ICONINFO parts{TRUE, 0, 0, mask, colour};
        icon = CreateIconIndirect(&parts);
        DeleteObject(mask);
    }
    DeleteObject(colour);
    return icon;
}

const std::uint8_t* ResourceBytes(HINSTANCE instance, UINT id, LPCWSTR type, DWORD* size) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), type);
    HGLOBAL loaded = found != nullptr ? LoadResource(instance, found) : nullptr;
    if (loaded == nullptr) return nullptr;
    *size = SizeofResource(instance, found);
    return static_cast<const std::uint8_t*>(LockResource(loaded));
}

}  // namespace

std::optional<IconGroupImage> ChooseIconImage(const std::uint8_t* group, std::size_t size,
                                              int side) {
    if (group == nullptr || size < GROUP_HEADER_BYTES || Word(group) != 0 || Word(group + 2) != 1) {
        return std::nullopt;
    }
    const std::size_t count = Word(group + 4);
    if (count > (size - GROUP_HEADER_BYTES) / GROUP_ENTRY_BYTES) return std::nullopt;
    std::optional<IconGroupImage> best;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = group + GROUP_HEADER_BYTES + i * GROUP_ENTRY_BYTES;
        const IconGroupImage image{entry[0] == 0 ? LARGEST_SIDE : entry[0], Word(entry + 6),
                                   Word(entry + 12)};
        if (!best || Rank(image, side) < Rank(*best, side)) best = image;
    }
    return best;
}

HICON LoadIconAtSide(HINSTANCE instance, UINT id, int side) {
    if (side < 1 || side > LARGEST_SIDE) return nullptr;
    DWORD groupSize = 0;
    const std::uint8_t* group =
        ResourceBytes(instance, id, MAKEINTRESOURCEW(ICON_GROUP_TYPE), &groupSize);
    const std::optional<IconGroupImage> image = ChooseIconImage(group, groupSize, side);
    if (!image) return nullptr;
    DWORD imageSize = 0;
    const std::uint8_t* bytes =
        ResourceBytes(instance, image->id, MAKEINTRESOURCEW(ICON_IMAGE_TYPE), &imageSize);
    if (bytes == nullptr) return nullptr;
    // Only a group without a larger image gives a smaller one, which the
    // system stretches.
    const int made = std::max(image->side, side);
    HICON icon = CreateIconFromResourceEx(const_cast<PBYTE>(bytes), imageSize, TRUE, ICON_FORMAT,
                                          made, made, LR_DEFAULTCOLOR);
    if (icon == nullptr || made == side) return icon;
    Pixels pixels;
    HICON scaled = nullptr;
    if (ReadIconPixels(icon, image->side, pixels)) {
        scaled = IconFromPixels(ScaleDown(pixels, image->side, side), side);
    }
    DestroyIcon(icon);
    return scaled;
}

}  // namespace platform::win32
