#include "platform/win32/status/power_record.h"

namespace platform::win32 {
namespace {

constexpr BYTE FLAGS_UNKNOWN = 255;
constexpr BYTE LEVEL_BITS = POWER_FLAG_HIGH | POWER_FLAG_LOW | POWER_FLAG_CRITICAL;

std::uint8_t BatteryFlags(BYTE flags) {
    if (flags == FLAGS_UNKNOWN) return 0;
    const bool present = (flags & POWER_FLAG_NO_BATTERY) == 0;
    if (present && (flags & LEVEL_BITS) == 0) return flags | POWER_FLAG_HIGH;
    return flags;
}

}  // namespace

PowerStatusRecord PowerRecordOf(const SYSTEM_POWER_STATUS& status) {
    PowerStatusRecord record{};
    record.externalPower = status.ACLineStatus;
    record.batteryFlags = BatteryFlags(status.BatteryFlag);
    record.batteryPercent = status.BatteryLifePercent;
    record.batteryLifeSeconds = status.BatteryLifeTime;
    record.batteryFullLifeSeconds = status.BatteryFullLifeTime;
    record.backupFlags = POWER_FLAG_NO_BATTERY;
    record.backupPercent = PERCENT_UNKNOWN;
    record.backupLifeSeconds = LIFETIME_UNKNOWN;
    record.backupFullLifeSeconds = LIFETIME_UNKNOWN;
    return record;
}

}  // namespace platform::win32

namespace platform {

bool QueryPowerStatus(PowerStatusRecord* status, bool /*update*/) {
    // The system's answer is always current: there is nothing to update.
    SYSTEM_POWER_STATUS system{};
    if (status == nullptr || !GetSystemPowerStatus(&system)) return false;
    *status = win32::PowerRecordOf(system);
    return true;
}

}  // namespace platform
