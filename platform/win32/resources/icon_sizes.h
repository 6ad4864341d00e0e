// An icon group's image at the size a surface draws it. Where the group has
// no image of that size, the next larger one is scaled down, so that a 28
// pixel notification icon (175 %) is made from the 32 pixel image rather
// than stretched up from the 24 pixel one, which LoadImage would do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/win32/windows_api.h"

namespace platform::win32 {

// An image as the icon group's directory lists it.
struct IconGroupImage {
    int side = 0;  // pixels; the directory's 0 stands for 256
    int bitCount = 0;
    WORD id = 0;  // its icon resource
};

// The image of the icon group directory `group` (`size` bytes) to draw at
// `side` pixels: the image of that side (the deepest colours on a tie),
// else the smallest larger one, else the largest. None when the directory
// is malformed or lists no image.
std::optional<IconGroupImage> ChooseIconImage(const std::uint8_t* group, std::size_t size,
                                              int side);

// Icon group `id` of `instance` at `side` x `side` pixels, from the image
// ChooseIconImage picks, scaled down when it is larger; null when the group
// or its image is missing or unreadable, or `side` is not from 1 to 256.
// The caller owns the icon.
HICON LoadIconAtSide(HINSTANCE instance, UINT id, int side);

// The icon group an icon loaded by LoadIcon or LoadImage came from.
struct IconSource {
    HINSTANCE instance = nullptr;
    UINT id = 0;
};
std::optional<IconSource> IconSourceOf(HICON icon);

}  // namespace platform::win32
