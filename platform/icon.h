// Icons loaded from a program image's icon groups.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace platform {

constexpr std::uint32_t IMAGE_ICON = 1;

// The group's large (32 x 32) image; null when there is no such group.
IconHandle LoadIcon(InstanceHandle instance, std::uint32_t id);

// The group's image closest to width x height; null when there is none.
// Icons live until the process ends.
IconHandle LoadImage(InstanceHandle instance, std::uint32_t id, std::uint32_t type,
                     std::int32_t width, std::int32_t height, std::uint32_t flags);

}  // namespace platform
