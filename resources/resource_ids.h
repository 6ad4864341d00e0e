// Resource and control identifiers of the status dialog.
#pragma once

#include <cstdint>

namespace resources {

constexpr std::uint32_t IDD_STATUS_TALL = 102;
constexpr std::uint32_t IDD_STATUS_WIDE = 103;
constexpr std::uint32_t IDI_APP = 128;
constexpr std::uint32_t VERSION_RESOURCE_ID = 1;

// Battery section.
constexpr std::int32_t IDC_AC_LINE = 1018;
constexpr std::int32_t IDC_BATT_PERCENT = 1019;
constexpr std::int32_t IDC_BATT_LIFE = 1020;
constexpr std::int32_t IDC_BATT_FULL_LIFE = 1021;
constexpr std::int32_t IDC_BATT_STATE = 1022;
constexpr std::int32_t IDC_BACKUP_STATE = 1023;
constexpr std::int32_t IDC_BACKUP_PERCENT = 1024;
constexpr std::int32_t IDC_BACKUP_LIFE = 1025;
constexpr std::int32_t IDC_BACKUP_FULL_LIFE = 1026;

// Memory section: gauges, each total followed by its free amount.
constexpr std::int32_t IDC_RAM_TOTAL = 1027;
constexpr std::int32_t IDC_RAM_FREE = 1028;
constexpr std::int32_t IDC_STORE_TOTAL = 1029;
constexpr std::int32_t IDC_STORE_FREE = 1030;
constexpr std::int32_t IDC_VOL1_TOTAL = 1031;
constexpr std::int32_t IDC_VOL1_FREE = 1032;
constexpr std::int32_t IDC_VOL2_TOTAL = 1033;
constexpr std::int32_t IDC_VOL2_FREE = 1034;

// Memory card labels, each on the row of its gauge.
constexpr std::int32_t IDC_VOL1_TOTAL_LABEL = 1035;
constexpr std::int32_t IDC_VOL1_FREE_LABEL = 1036;
constexpr std::int32_t IDC_VOL2_TOTAL_LABEL = 1037;
constexpr std::int32_t IDC_VOL2_FREE_LABEL = 1038;

// A control without an identifier.
constexpr std::int32_t IDC_NONE = -1;

}  // namespace resources
