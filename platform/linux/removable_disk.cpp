#include "platform/linux/removable_disk.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/linux/attribute_file.h"
#include "platform/shared/file_descriptor.h"

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

// Whether the attribute reads `expected`; nothing when it is there but
// cannot be read.
std::optional<bool> AttributeReads(int folder, const char* name, std::string_view expected) {
    std::array<char, ATTRIBUTE_BUFFER_BYTES> buffer;
    NoValue why = NoValue::Missing;
    const std::optional<std::string_view> text = ReadAttributeText(folder, name, buffer, &why);
    if (!text && why == NoValue::Unreadable) return std::nullopt;
    return text == expected;
}

}  // namespace

RemovableDiskJudge::RemovableDiskJudge(std::string_view sysfsRoot) {
    if (sysfsRoot.size() >= sizeof root_) return;
    sysfsRoot.copy(root_, sysfsRoot.size());
    root_[sysfsRoot.size()] = '\0';
    usable_ = true;
}

// The device folder that /dev/block/MAJ:MIN links to, as a path below the
// root. The link is read once and resolved by hand: the kernel's links are
// relative and lead straight into the device tree, and resolving every
// component (as realpath does) would cost a system call per folder level at
// every refresh. False when sysfs knows no such device; nothing when the
// link could not be read.
std::optional<bool> RemovableDiskJudge::ResolveDeviceLink(std::uint32_t major, std::uint32_t minor,
                                                          std::string& device) const {
    char link[PATH_MAX];
    const int length = std::snprintf(link, sizeof link, "%s/dev/block/%u:%u", root_,
                                     static_cast<unsigned>(major), static_cast<unsigned>(minor));
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof link) return false;
    char target[PATH_MAX];
    const ssize_t targetLength = ::readlink(link, target, sizeof target - 1);
    if (targetLength < 0 && !IsMissing(errno) && errno != EINVAL) return std::nullopt;
    if (targetLength <= 0) return false;
    const std::filesystem::path relative(std::string_view(target, targetLength));
    const std::filesystem::path linkFolder = std::filesystem::path(link).parent_path();
    device = (relative.is_absolute() ? relative : linkFolder / relative).lexically_normal();
    while (device.size() > 1 && device.back() == '/') device.pop_back();
    return device.size() < PATH_MAX;
}

std::optional<bool> RemovableDiskJudge::IsRemovable(std::uint32_t major,
                                                    std::uint32_t minor) const {
    if (!usable_) return false;
    std::string device;
    const std::optional<bool> linked = ResolveDeviceLink(major, minor, device);
    if (!linked || !*linked) return linked;

    constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;
    FileDescriptor disk(::open(device.c_str(), folderFlags));
    if (!disk.valid()) return IsMissing(errno) ? std::optional(false) : std::nullopt;
    std::string_view diskPath = device;
    // A partition's removable and type marks are those of its disk.
    if (::faccessat(disk.get(), "partition", F_OK, 0) == 0) {
        disk = FileDescriptor(::openat(disk.get(), "..", folderFlags));
        if (!disk.valid()) return std::nullopt;
        diskPath = ParentOf(diskPath);
    } else if (!IsMissing(errno)) {
        return std::nullopt;
    }

    const std::optional<bool> marked = AttributeReads(disk.get(), "removable", "1");
    if (!marked || *marked) return marked;
    // The kernel never marks SD cards removable; an "MMC" type is an eMMC
    // soldered to the board.
    if (LastComponentOf(diskPath).starts_with("mmcblk")) {
        const std::optional<bool> sd = AttributeReads(disk.get(), "device/type", "SD");
        if (!sd || *sd) return sd;
    }
    return PassesThroughUsb(diskPath);
}

bool RemovableDiskJudge::PassesThroughUsb(std::string_view devicePath) const {
    const std::string root = std::filesystem::path(root_).lexically_normal();
    if (root.empty()) return false;
    // Only the part inside sysfs counts: the folder holding a prepared tree
    // could have any name.
    if (!devicePath.starts_with(root)) return false;
    std::string_view inside = devicePath.substr(root.size());
    if (!root.ends_with('/') && !inside.empty() && inside.front() != '/') return false;
    while (!inside.empty()) {
        const std::size_t slash = inside.find('/');
        if (IsUsbBusComponent(inside.substr(0, slash))) return true;
        if (slash == std::string_view::npos) break;
        inside.remove_prefix(slash + 1);
    }
    return false;
}

}  // namespace platform::linux_status
