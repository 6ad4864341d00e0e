// The root enumerations that are running, as the free-space query sees them.
#pragma once

#include <string_view>

namespace platform::linux_status {

// The mount point behind the root entry `name` in the newest open
// enumeration that lists it, valid while that enumeration is open; null
// when no open enumeration lists it.
const char* MountPointOfOpenEnumeration(std::u16string_view name);

}  // namespace platform::linux_status
