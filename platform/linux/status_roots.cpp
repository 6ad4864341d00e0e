#include "platform/linux/status_roots.h"

#include <cstdlib>

namespace platform::linux_status {
namespace {

std::string_view RootFromEnvironment(const char* variable, std::string_view fallback) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') return fallback;
    return value;
}

}  // namespace

std::string_view SysfsRoot() { return RootFromEnvironment("VELORWIND_SYSFS", "/sys"); }

std::string_view ProcfsRoot() { return RootFromEnvironment("VELORWIND_PROCFS", "/proc"); }

}  // namespace platform::linux_status
