// The free-space query that the library look-up hands out for the system
// library's "GetDiskFreeSpaceExW".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/win32/status/volume_queries.h"

namespace platform::win32 {

// The system's own query, as the look-up found it in the system library;
// the next answers go through it. Null: none found.
void UseSystemFreeSpaceQuery(SystemFreeSpaceQuery query);

// `path` is "/" and a root entry's name. Resolves the name to its drive
// (through the open root enumeration that listed it, else a fresh reading
// of the drives) and asks the system's query, within the volume bound, for
// the bytes the user can still write, the total bytes and the total free
// bytes; each place may be null. Returns 0, writing nothing, for a path that
// names no drive and for a drive that does not answer.
std::int32_t QueryCardFreeSpace(const char16_t* path, std::uint64_t* available,
                                std::uint64_t* total, std::uint64_t* totalFree);

}  // namespace platform::win32
