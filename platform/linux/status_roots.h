// Where the status sources are read from. Both roots can be moved to a
// prepared tree so that tests and demonstrations can show a laptop battery
// or a memory card on a machine that has neither.
#pragma once

#include <string_view>

namespace platform::linux_status {

// VELORWIND_SYSFS, or "/sys" when it is unset or empty. Read at every call,
// so a test can switch trees between cases; the view is valid until the
// environment changes.
std::string_view SysfsRoot();

// VELORWIND_PROCFS, or "/proc" when it is unset or empty.
std::string_view ProcfsRoot();

}  // namespace platform::linux_status
