// The root enumerations that are running, as the free-space query sees them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::linux_status {

// The mount point behind the root entry `name` in the newest open
// enumeration that lists it; none when no open enumeration does.
std::optional<std::string> MountPointOfOpenEnumeration(std::u16string_view name);

}  // namespace platform::linux_status
