// Byte counts are 64-bit end to end; a product that does not fit is no
// count at all, never a wrapped one.
#pragma once

#include <cstdint>
#include <optional>

namespace platform::linux_status {

// count * unitBytes, or nothing when it overflows 64 bits.
inline std::optional<std::uint64_t> BytesOf(std::uint64_t count, std::uint64_t unitBytes) {
    std::uint64_t bytes = 0;
    if (__builtin_mul_overflow(count, unitBytes, &bytes)) return std::nullopt;
    return bytes;
}

}  // namespace platform::linux_status
