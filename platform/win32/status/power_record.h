// The system's power status in the platform's power status record.
#pragma once

#include "platform/power_status.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

// External power, the battery's level, charging, percentage and lifetimes
// carry over as they stand: GetSystemPowerStatus uses the same numbers,
// 255 and 0xFFFFFFFF for unknown included. Two of its answers differ:
//   - flags 255 say the status is unknown, where the record's bits would
//     read as high and charging: the record gets no bit (unknown);
//   - a battery between the low and the high level has no level bit on
//     Windows: the record calls it high, as the level words know only high,
//     low and critical.
// A PC has no backup battery: no-battery bit, percentage and lifetimes
// unknown.
PowerStatusRecord PowerRecordOf(const SYSTEM_POWER_STATUS& status);

}  // namespace platform::win32
