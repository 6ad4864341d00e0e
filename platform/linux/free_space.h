// The free-space query that the core library hands out by name.
#pragma once

#include <cstdint>

namespace platform::linux_status {

// `path` is "/" and a volume's root entry name. Resolves it to that volume's
// mount point (from the open root enumeration that listed it, else from the
// mount table read afresh) and writes the bytes the
// user can still write, the total bytes and the total free bytes; each
// place may be null. Returns 0, writing nothing, for a path that names no
// volume or a volume that cannot be measured.
std::int32_t QueryDiskFreeSpace(const char16_t* path, std::uint64_t* available,
                                std::uint64_t* total, std::uint64_t* totalFree);

}  // namespace platform::linux_status
