#include "platform/linux/volume_space.h"

#include <array>
#include <cstddef>

#include "platform/linux/bounded_statvfs.h"
#include "platform/linux/byte_count.h"
#include "platform/linux/home_folder.h"
#include "platform/linux/mount_table.h"

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

void MeasureVolumesAhead() {
    std::array<char, HOME_FOLDER_BUFFER> buffer;
    std::array<const char*, STATVFS_AHEAD> paths;
    std::size_t count = 0;
    if (const char* home = HomeFolder(buffer)) paths[count++] = home;
    for (const RemovableMount& mount : LastRemovableMounts()) {
        if (count == paths.size()) break;
        paths[count++] = mount.mountPoint.data();
    }
    MeasureAhead(std::span<const char* const>(paths.data(), count));
}

}  // namespace platform::linux_status
