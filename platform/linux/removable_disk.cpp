#include "platform/linux/removable_disk.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/linux/attribute_file.h"
#include "platform/linux/file_descriptor.h"

namespace platform::linux_status {
namespace {

std::string_view ParentOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash);
}

std::string_view LastComponentOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// A USB bus's root hub appears in the device path as "usb" and the bus
// number; everything below it is attached through USB.
bool IsUsbBusComponent(std::string_view component) {
    if (!component.starts_with("usb") || component.size() == 3) return false;
    return component.substr(3).find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

RemovableDiskJudge::RemovableDiskJudge(std::string_view sysfsRoot) {
    if (sysfsRoot.size() >= sizeof root_) return;
    sysfsRoot.copy(root_, sysfsRoot.size());
    root_[sysfsRoot.size()] = '\0';
    // Device links resolve to real paths; the root is compared in that form.
    usable_ = ::realpath(root_, resolvedRoot_) != nullptr;
}

bool RemovableDiskJudge::IsRemovable(std::uint32_t major, std::uint32_t minor) const {
    if (!usable_) return false;
    char link[PATH_MAX];
    const int length = std::snprintf(link, sizeof link, "%s/dev/block/%u:%u", root_,
                                     static_cast<unsigned>(major), static_cast<unsigned>(minor));
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof link) return false;
    char device[PATH_MAX];
    if (::realpath(link, device) == nullptr) return false;

    FileDescriptor disk(::open(device, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!disk.valid()) return false;
    std::string_view diskPath = device;
    // A partition's removable and type marks are those of its disk.
    if (::faccessat(disk.get(), "partition", F_OK, 0) == 0) {
        disk = FileDescriptor(::openat(disk.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!disk.valid()) return false;
        diskPath = ParentOf(diskPath);
    }

    if (ReadAttributeInteger(disk.get(), "removable", 0, 1) == 1) return true;
    // The kernel never marks SD cards removable; an "MMC" type is an eMMC
    // soldered to the board.
    if (LastComponentOf(diskPath).starts_with("mmcblk") &&
        AttributeIs(disk.get(), "device/type", "SD")) {
        return true;
    }
    return PassesThroughUsb(diskPath);
}

bool RemovableDiskJudge::PassesThroughUsb(std::string_view devicePath) const {
    const std::string_view root = resolvedRoot_;
    // Only the part inside sysfs counts: the folder holding a prepared tree
    // could have any name.
    if (!devicePath.starts_with(root)) return false;
    std::string_view inside = devicePath.substr(root.size());
    while (!inside.empty()) {
        const std::size_t slash = inside.find('/');
        if (IsUsbBusComponent(inside.substr(0, slash))) return true;
        if (slash == std::string_view::npos) break;
        inside.remove_prefix(slash + 1);
    }
    return false;
}

}  // namespace platform::linux_status
