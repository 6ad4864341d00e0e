#include "platform/linux/volume_space.h"

#include "platform/linux/bounded_statvfs.h"
#include "platform/linux/byte_count.h"

namespace platform::linux_status {

std::optional<VolumeSpace> MeasureVolume(const char* path) {
    const std::optional<struct statvfs> measured = StatvfsWithin(path);
    if (!measured) return std::nullopt;
    const struct statvfs& volume = *measured;
    const std::optional<std::uint64_t> total = BytesOf(volume.f_blocks, volume.f_frsize);
    const std::optional<std::uint64_t> free = BytesOf(volume.f_bfree, volume.f_frsize);
    const std::optional<std::uint64_t> available = BytesOf(volume.f_bavail, volume.f_frsize);
    if (!total || !free || !available) return std::nullopt;
    return VolumeSpace{*total, *free, *available};
}

}  // namespace platform::linux_status
