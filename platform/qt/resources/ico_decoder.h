// Images of an icon file (.ico) as the platform stores icon groups: a
// directory of images, each a device-independent bitmap of 1, 4, 8, 24 or
// 32 bits per pixel followed by its transparency (AND) mask, or a PNG.
#pragma once

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::qt {

struct IconImage {
    QImage image;  // ARGB32; mask bits set are transparent
    int bitCount = 0;
};

// How many images the file's directory lists; 0 for anything that is not
// an icon file.
std::size_t IconImageCount(const std::uint8_t* data, std::size_t size);

// The image at `index` of the directory; a null image when it is truncated,
// oversized or of an unknown form.
IconImage DecodeIconImage(const std::uint8_t* data, std::size_t size, std::size_t index);

// Every image that decodes; images that are truncated, oversized or of an
// unknown form are left out. Empty for anything that is not an icon file.
std::vector<IconImage> DecodeIconFile(const std::uint8_t* data, std::size_t size);

// The image closest to width x height (the larger colour depth on a tie);
// null when there is none.
const IconImage* ClosestIconImage(const std::vector<IconImage>& images, int width, int height);

}  // namespace platform::qt
