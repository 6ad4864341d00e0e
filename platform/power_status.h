// The extended power status query and its record.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Bits of PowerStatusRecord::batteryFlags and ::backupFlags. Bits 0x10, 0x20
// and 0x40 carry no meaning for the program.
constexpr std::uint8_t POWER_FLAG_HIGH = 0x01;
constexpr std::uint8_t POWER_FLAG_LOW = 0x02;
constexpr std::uint8_t POWER_FLAG_CRITICAL = 0x04;
constexpr std::uint8_t POWER_FLAG_CHARGING = 0x08;
constexpr std::uint8_t POWER_FLAG_NO_BATTERY = 0x80;

// externalPower values; anything else reads as unknown.
constexpr std::uint8_t EXTERNAL_POWER_OFF = 0;
constexpr std::uint8_t EXTERNAL_POWER_ON = 1;
constexpr std::uint8_t EXTERNAL_POWER_UNKNOWN = 255;

// A percentage above 100 reads as unknown.
constexpr std::uint8_t PERCENT_UNKNOWN = 255;

// A lifetime in seconds that is not known.
constexpr std::uint32_t LIFETIME_UNKNOWN = 0xFFFFFFFFu;

// 24 bytes, filled in whole by QueryPowerStatus.
struct PowerStatusRecord {
    std::uint8_t externalPower;
    std::uint8_t batteryFlags;
    std::uint8_t batteryPercent;
    std::uint8_t reserved1;
    std::uint32_t batteryLifeSeconds;
    std::uint32_t batteryFullLifeSeconds;
    std::uint8_t reserved2;
    std::uint8_t backupFlags;
    std::uint8_t backupPercent;
    std::uint8_t reserved3;
    std::uint32_t backupLifeSeconds;
    std::uint32_t backupFullLifeSeconds;
};
static_assert(sizeof(PowerStatusRecord) == 24, "the power status record is 24 bytes");
static_assert(offsetof(PowerStatusRecord, batteryLifeSeconds) == 4);
static_assert(offsetof(PowerStatusRecord, batteryFullLifeSeconds) == 8);
static_assert(offsetof(PowerStatusRecord, backupFlags) == 13);
static_assert(offsetof(PowerStatusRecord, backupPercent) == 14);
static_assert(offsetof(PowerStatusRecord, backupLifeSeconds) == 16);
static_assert(offsetof(PowerStatusRecord, backupFullLifeSeconds) == 20);

// Fills `status` with the current power state; `update` asks for fresh
// values rather than cached ones. Returns false when no status can be had,
// and then the record's contents are undefined.
bool QueryPowerStatus(PowerStatusRecord* status, bool update);

}  // namespace platform
