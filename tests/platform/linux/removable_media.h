// A prepared sysfs with the block devices a handheld or laptop may have, and
// mountinfo lines that mount them.
#pragma once

#include <string>
#include <string_view>

#include "tests/platform/linux/prepared_tree.h"

namespace velorwind_test {

// Device numbers of the prepared partitions and disks.
inline constexpr const char* SD_CARD = "179:1";          // mmcblk0p1, type SD
inline constexpr const char* SECOND_SD_CARD = "179:17";  // mmcblk2p1, type SD
inline constexpr const char* EMMC = "179:9";             // mmcblk1p1, type MMC
inline constexpr const char* USB_STICK = "8:17";         // sdb1, marked removable
inline constexpr const char* USB_SSD = "8:33";           // sdc1, not marked, behind USB
inline constexpr const char* SATA_ROOT = "8:1";          // sda1
inline constexpr const char* SATA_HOME = "8:2";          // sda2
inline constexpr const char* FLOPPY = "2:0";             // fd0, a whole removable disk
inline constexpr const char* LOOP = "7:0";               // loop0
inline constexpr const char* NO_DEVICE = "0:45";         // tmpfs, fuse and the like

void PrepareBlockDevices(const PreparedTree& tree);

// One mountinfo line, line end included, mounting `device` at `mountPoint`.
std::string MountLine(std::string_view device, std::string_view mountPoint);

}  // namespace velorwind_test
