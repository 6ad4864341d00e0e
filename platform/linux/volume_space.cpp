#include "platform/linux/volume_space.h"

#include <sys/statvfs.h>

#include "platform/linux/byte_count.h"

namespace platform::linux_status {

std::optional<VolumeSpace> MeasureVolume(const char* path) {
    struct statvfs volume {};
    if (path == nullptr || ::statvfs(path, &volume) != 0) return std::nullopt;
    const std::optional<std::uint64_t> total = BytesOf(volume.f_blocks, volume.f_frsize);
    const std::optional<std::uint64_t> free = BytesOf(volume.f_bfree, volume.f_frsize);
    const std::optional<std::uint64_t> available = BytesOf(volume.f_bavail, volume.f_frsize);
    if (!total || !free || !available) return std::nullopt;
    return VolumeSpace{*total, *free, *available};
}

}  // namespace platform::linux_status
