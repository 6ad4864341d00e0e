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

// Starts measuring, without waiting, the volumes a memory survey measures
// next: the home folder's and the removable mounts last seen. The survey
// asks for the memory figures first; while they are read, a helper measures
// the volumes, and MeasureVolume then takes what it found.
void MeasureVolumesAhead();

}  // namespace platform::linux_status
