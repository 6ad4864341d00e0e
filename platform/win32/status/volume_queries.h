// What the status sources ask of a volume, bounded: each drive letter has a
// worker of its own (and the user's profile one more), so a drive that stops
// answering fails its own queries and no other.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win32/windows_api.h"

namespace platform::win32 {

// How long a refresh waits for one volume. A volume answers from the file
// system's cache in well under a millisecond; a drive still spinning up is
// missed for one refresh and answers at the next.
constexpr unsigned long VOLUME_QUERY_BOUND_MS = 100;

// The system's free-space query, GetDiskFreeSpaceExW.
using SystemFreeSpaceQuery = decltype(&GetDiskFreeSpaceExW);

struct VolumeSpace {
    std::uint64_t available;  // what the user may still write
    std::uint64_t total;
    std::uint64_t free;
};

// The space of the volume that holds `path`, asked through `query`. Nothing
// when the query fails, overruns its bound, or the path is too long.
std::optional<VolumeSpace> MeasureVolume(std::u16string_view path, SystemFreeSpaceQuery query);

// The label of the volume at `root` ("E:\"): empty when it has none, nothing
// when it cannot be read (no medium, no answer within the bound).
std::optional<std::u16string> VolumeLabel(std::u16string_view root);

}  // namespace platform::win32
