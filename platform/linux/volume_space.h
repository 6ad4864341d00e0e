// The size and free space of the file system that holds a path.
#pragma once

#include <cstdint>
#include <optional>

namespace platform::linux_status {

struct VolumeSpace {
    std::uint64_t totalBytes;
    std::uint64_t freeBytes;       // free blocks, the superuser's reserve included
    std::uint64_t availableBytes;  // what an ordinary user can still write
};

// Nothing when the path cannot be measured, has not answered within
// STATVFS_BOUND, or a count overflows 64 bits.
std::optional<VolumeSpace> MeasureVolume(const char* path);

}  // namespace platform::linux_status
