#include "platform/linux/battery_percentage.h"

#include <fcntl.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <optional>
#include <string_view>

#include "platform/linux/attribute_file.h"
#include "platform/linux/status_roots.h"

namespace platform::linux_status {

std::uint8_t PercentOfFull(std::int64_t now, std::int64_t full) {
    if (now >= full) return 100;
    // now * 200 does not fit 64 bits for the largest readings.
    __extension__ using Wide = unsigned __int128;
    const Wide twice = static_cast<Wide>(now) * 200 + static_cast<Wide>(full);
    return static_cast<std::uint8_t>(twice / (static_cast<Wide>(full) * 2));
}

namespace {

// Firmware names are text; control characters (a NUL among them) mean the
// file holds something else.
bool IsText(std::string_view name) {
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

}  // namespace

bool CapacityIsAgainstDesignSize() {
    char path[PATH_MAX];
    const std::string_view root = SysfsRoot();
    const int length = std::snprintf(path, sizeof path, "%.*s/class/dmi/id/product_name",
                                     static_cast<int>(root.size()), root.data());
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof path) return false;
    std::array<char, ATTRIBUTE_BUFFER_BYTES> buffer;
    const std::optional<std::string_view> name = ReadAttributeText(AT_FDCWD, path, buffer);
    return name && IsText(*name) && name->starts_with("MacBook");
}

}  // namespace platform::linux_status
