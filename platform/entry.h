// The program's entry function, called by the platform once it is ready.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace platform {

// Defined by the program. Its result is the process exit code.
std::int32_t ProgramEntry(InstanceHandle instance, InstanceHandle previous,
                          const char16_t* commandLine, std::int32_t showCommand);

}  // namespace platform
