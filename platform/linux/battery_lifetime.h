// How long a battery lasts at its present drain, from the units the kernel's
// power-supply class reports: energy in µWh with power in µW, or charge in
// µAh with current in µA. The two families are never mixed: dividing energy
// by current would need the voltage, which drivers report unreliably.
#pragma once

#include <cstdint>

namespace platform::linux_status {

// Below these rates a battery is at rest or the reading is stale (drivers
// report a few µW or µA of noise when idle); a lifetime derived from them
// would run to hundreds of hours and mean nothing, so it stays unknown.
// 10 mW and 1 mA are well below the idle drain of any real device.
constexpr std::uint64_t MINIMUM_POWER_MICROWATTS = 10'000;
constexpr std::uint64_t MINIMUM_CURRENT_MICROAMPS = 1'000;

// The largest lifetime the power record can carry; its next value means
// unknown.
constexpr std::uint32_t LONGEST_LIFETIME_SECONDS = 0xFFFFFFFEu;

// Seconds until `amount` (µWh or µAh) is used up at `rate` (µW or µA, sign
// already dropped), rounded down; LIFETIME_UNKNOWN when the rate is below
// `minimumRate` or the result does not fit the record.
std::uint32_t SecondsToDrain(std::uint64_t amount, std::uint64_t rate, std::uint64_t minimumRate);

}  // namespace platform::linux_status
