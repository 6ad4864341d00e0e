// The icon file decoder on any bytes. Properties: it never reads past the
// given size; it gives no more images than the directory lists; every
// image is 1 to 256 pixels a side, ARGB32, of a depth an icon can have;
// decoding is a function of the bytes alone; the image chosen for a size is
// one of those decoded and none is closer.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/qt/resources/ico_decoder.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto copy = std::make_unique<std::uint8_t[]>(size);
    if (size > 0) std::memcpy(copy.get(), data, size);
    const std::vector<platform::qt::IconImage> images =
        platform::qt::DecodeIconFile(copy.get(), size);
    if (images.empty()) return 0;

    FUZZ_CHECK(size >= 6);
    FUZZ_CHECK(images.size() <= static_cast<std::size_t>(data[4] | (data[5] << 8)));
    for (const platform::qt::IconImage& icon : images) {
        FUZZ_CHECK(!icon.image.isNull());
        FUZZ_CHECK(icon.image.width() >= 1 && icon.image.width() <= 256);
        FUZZ_CHECK(icon.image.height() >= 1 && icon.image.height() <= 256);
        FUZZ_CHECK(icon.image.format() == QImage::Format_ARGB32);
        FUZZ_CHECK(icon.bitCount == 1 || icon.bitCount == 4 || icon.bitCount == 8 ||
                   icon.bitCount == 24 || icon.bitCount == 32);
    }
    const std::vector<platform::qt::IconImage> again =
        platform::qt::DecodeIconFile(copy.get(), size);
    FUZZ_CHECK(again.size() == images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        FUZZ_CHECK(again[i].image == images[i].image && again[i].bitCount == images[i].bitCount);
    }

    const int width = 1 + data[size - 1] % 64;
    const platform::qt::IconImage* closest = platform::qt::ClosestIconImage(images, width, width);
    FUZZ_CHECK(closest != nullptr && closest >= images.data() &&
               closest < images.data() + images.size());
    const auto distance = [width](const platform::qt::IconImage& icon) {
        return std::labs(icon.image.width() - width) + std::labs(icon.image.height() - width);
    };
    for (const platform::qt::IconImage& icon : images)
        FUZZ_CHECK(distance(*closest) <= distance(icon));
    return 0;
}
