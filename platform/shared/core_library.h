// The core library that the program loads by name, and the one entry it
// looks up there by name: the free-space query. Each back end hands out its
// own query under that name.
#pragma once

#include <string_view>

namespace platform::shared {

constexpr std::u16string_view FREE_SPACE_ENTRY = u"GetDiskFreeSpaceExW";

// Library names are matched without case (ASCII only), as file names are
// where libraries live; entry names are matched exactly, as the loader does.
bool IsCoreLibraryName(std::u16string_view name);

}  // namespace platform::shared
