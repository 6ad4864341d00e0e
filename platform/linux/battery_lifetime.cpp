#include "platform/linux/battery_lifetime.h"

#include <limits>

#include "platform/power_status.h"

namespace platform::linux_status {

std::uint32_t SecondsToDrain(std::uint64_t amount, std::uint64_t rate, std::uint64_t minimumRate) {
    constexpr std::uint64_t secondsPerHour = 3600;
    // A rate this large (over 5 GW or 5 MA) is no battery's; it would also
    // overflow the remainder step below.
    constexpr std::uint64_t largestRate =
        std::numeric_limits<std::uint64_t>::max() / secondsPerHour;
    if (rate < minimumRate || rate == 0 || rate > largestRate) return LIFETIME_UNKNOWN;

    // amount * 3600 / rate without forming amount * 3600, which overflows
    // for garbage amounts that must still read as unknown, not wrap.
    const std::uint64_t wholeHours = amount / rate;
    if (wholeHours > LONGEST_LIFETIME_SECONDS / secondsPerHour) return LIFETIME_UNKNOWN;
    const std::uint64_t seconds =
        wholeHours * secondsPerHour + (amount % rate) * secondsPerHour / rate;
    if (seconds > LONGEST_LIFETIME_SECONDS) return LIFETIME_UNKNOWN;
    return static_cast<std::uint32_t>(seconds);
}

}  // namespace platform::linux_status
