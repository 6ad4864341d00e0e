// Whether a block device sits on removable media, judged from sysfs: the
// kernel's removable mark, SD cards (which the kernel never marks) and disks
// attached through USB (card readers and sticks that claim to be fixed).
#pragma once

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::linux_status {

class RemovableDiskJudge {
public:
    // Judges against the sysfs tree at `sysfsRoot`.
    explicit RemovableDiskJudge(std::string_view sysfsRoot);

    // `major`:`minor` names the device (or a partition of it). Nothing when
    // sysfs could not be read (descriptors exhausted, say): a device that
    // cannot be judged is neither removable nor fixed.
    std::optional<bool> IsRemovable(std::uint32_t major, std::uint32_t minor) const;

private:
    std::optional<bool> ResolveDeviceLink(std::uint32_t major, std::uint32_t minor,
                                          std::string& device) const;
    bool PassesThroughUsb(std::string_view devicePath) const;

    char root_[PATH_MAX] = {};
    bool usable_ = false;
};

}  // namespace platform::linux_status
