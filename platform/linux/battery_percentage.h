// A battery's charge in per cent from what the kernel's power-supply class
// reports: the driver's own `capacity`, or what is left over what a full
// battery holds, in one unit family (µWh or µAh).
#pragma once

#include <cstdint>

namespace platform::linux_status {

// `now` over `full` in per cent, rounded to the nearest whole number (a half
// up, as the kernel's own drivers round) and at most 100: a battery
// reports a little more than full while its gauge learns its size. `now`
// must not be negative and `full` must be positive.
std::uint8_t PercentOfFull(std::int64_t now, std::int64_t full);

// True when the machine's `capacity` is relative to the battery's design
// size rather than to what it holds now, so that a worn battery never reads
// 100: Apple's laptops, known by their DMI product name. A name that cannot
// be read, or is no text, names no such machine.
bool CapacityIsAgainstDesignSize();

}  // namespace platform::linux_status
