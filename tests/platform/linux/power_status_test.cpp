// The power status from prepared power-supply folders: external power, the
// choice of main and backup battery, levels, percentages and lifetimes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/linux/battery_lifetime.h"
#include "platform/power_status.h"
#include "tests/platform/descriptor_limit.h"
#include "tests/platform/linux/prepared_tree.h"

namespace {

using namespace platform;
using velorwind_test::PreparedTree;

constexpr std::uint32_t UNKNOWN = LIFETIME_UNKNOWN;

using Attributes = std::vector<std::pair<std::string, std::string>>;

struct Supply {
    std::string name;
    Attributes attributes;
};

Supply External(std::string name, std::string type, std::string online) {
    Attributes attributes{{"type", type + "\n"}};
    if (!online.empty()) attributes.emplace_back("online", online + "\n");
    return {std::move(name), std::move(attributes)};
}

Supply Battery(std::string name, Attributes attributes) {
    attributes.emplace_back("type", "Battery\n");
    return {std::move(name), std::move(attributes)};
}

// Where a supply's attributes are read from: a file each, or all from its
// uevent, where the kernel gives them in one read.
enum class Source { Files, Uevent };

// The uevent the kernel would give for these attribute files: a line per
// attribute, its file's text up to the line end.
std::string UeventOf(const Supply& supply) {
    std::string text = "DEVTYPE=power_supply\nPOWER_SUPPLY_NAME=" + supply.name + "\n";
    for (const auto& [attribute, value] : supply.attributes) {
        std::string key = attribute;
        std::transform(key.begin(), key.end(), key.begin(), [](char c) { return std::toupper(c); });
        text += "POWER_SUPPLY_" + key + "=" + value.substr(0, value.find('\n')) + "\n";
    }
    return text;
}

std::string DeviceFolder(const std::string& name) {
    return "sys/devices/virtual/power_supply/" + name;
}

// Supplies live under devices/ and the class folder links to them, as the
// kernel lays them out. A supply without attributes is a link to nothing:
// one that went away after the folder was listed.
void Prepare(const PreparedTree& tree, const std::vector<Supply>& supplies,
             Source source = Source::Files) {
    tree.MakeFolder("sys/class/power_supply");
    for (const Supply& supply : supplies) {
        const std::string device = DeviceFolder(supply.name);
        if (source == Source::Uevent && !supply.attributes.empty()) {
            tree.Write(device + "/uevent", UeventOf(supply));
        }
        for (const auto& [attribute, value] : supply.attributes) {
            if (source == Source::Files) tree.Write(device + "/" + attribute, value);
        }
        tree.Link("sys/class/power_supply/" + supply.name,
                  "../../devices/virtual/power_supply/" + supply.name);
    }
}

// The machine's DMI product name, where the kernel keeps it and links it.
void WriteProductName(const PreparedTree& tree, const std::string& name) {
    tree.Write("sys/devices/virtual/dmi/id/product_name", name);
    tree.Link("sys/class/dmi/id", "../../devices/virtual/dmi/id");
}

struct BatteryState {
    std::uint8_t flags;
    std::uint8_t percent;
    std::uint32_t life;
    std::uint32_t fullLife;
};
constexpr BatteryState NO_BATTERY{POWER_FLAG_NO_BATTERY, PERCENT_UNKNOWN, UNKNOWN, UNKNOWN};

struct PowerCase {
    const char* title;
    std::vector<Supply> supplies;
    std::uint8_t externalPower;
    BatteryState main;
    BatteryState backup;
    // The machine's DMI product name file; none when left out.
    std::optional<std::string> productName = std::nullopt;
};

const Attributes LAPTOP_DISCHARGING{{"status", "Discharging\n"},  {"present", "1\n"},
                                    {"capacity", "57\n"},         {"capacity_level", "Normal\n"},
                                    {"energy_now", "28500000\n"}, {"power_now", "9500000\n"},
                                    {"energy_full", "50000000\n"}};

Supply Draining(std::string name, std::string capacity, std::string energyNow,
                std::string powerNow) {
    return Battery(std::move(name), {{"status", "Discharging\n"},
                                     {"capacity", capacity},
                                     {"energy_now", energyNow},
                                     {"power_now", powerNow}});
}

// A battery that gives a percentage only through what is left and what it
// holds when full, in µWh or µAh, as ACPI batteries without a usable
// `capacity` and many fuel gauges do.
Supply Holding(std::string name, std::string status, std::string nowName, std::string now,
               std::string fullName, std::string full) {
    return Battery(std::move(name),
                   {{"status", status + "\n"}, {nowName, now + "\n"}, {fullName, full + "\n"}});
}

// A worn Apple battery, full: `capacity` against the design size, energy
// against what it holds now.
const Attributes WORN_FULL_APPLE_BATTERY{{"status", "Full\n"},
                                         {"capacity", "60\n"},
                                         {"energy_now", "42000000\n"},
                                         {"energy_full", "42000000\n"}};
// A full battery freshly calibrated by its driver, whose energy says half.
const Attributes CAPACITY_ABOVE_FULL{{"status", "Full\n"},
                                     {"capacity", "104\n"},
                                     {"energy_now", "25000000\n"},
                                     {"energy_full", "50000000\n"}};

// clang-format off
const PowerCase POWER_CASES[] = {
    {"LaptopDischargingInEnergyUnits",
     {External("AC", "Mains", "0"), Battery("BAT0", LAPTOP_DISCHARGING)},
     EXTERNAL_POWER_OFF, {POWER_FLAG_HIGH, 57, 10800, 18947}, NO_BATTERY},
    {"ChargingInChargeUnits",
     {External("ADP1", "Mains", "1"),
      Battery("BAT0", {{"status", "Charging\n"}, {"capacity", "42\n"}, {"charge_now", "2000000\n"},
                       {"current_now", "-1500000\n"}, {"charge_full", "4800000\n"}})},
     EXTERNAL_POWER_ON, {POWER_FLAG_HIGH | POWER_FLAG_CHARGING, 42, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"DischargingWithNegativeCurrent",
     {Battery("BAT0", {{"status", "Discharging\n"}, {"capacity", "15\n"},
                       {"charge_now", "3000000\n"},
                       {"current_now", "-1200000\n"}, {"charge_full", "4800000\n"}})},
     EXTERNAL_POWER_OFF, {POWER_FLAG_LOW, 15, 9000, 14400}, NO_BATTERY},
    {"FullOnMains",
     {External("AC", "Mains", "1"),
      Battery("BAT0", {{"status", "Full\n"}, {"capacity", "100\n"}, {"capacity_level", "Full\n"},
                       {"energy_now", "50000000\n"}, {"power_now", "0\n"}})},
     EXTERNAL_POWER_ON, {POWER_FLAG_HIGH, 100, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"NotChargingOnMains",
     {External("AC", "Mains", "1"),
      Battery("BAT0", {{"status", "Not charging\n"}, {"capacity", "80\n"},
                       {"energy_now", "40000000\n"}, {"power_now", "2000000\n"}})},
     EXTERNAL_POWER_ON, {POWER_FLAG_HIGH, 80, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"DesktopWithoutSupplies", {}, EXTERNAL_POWER_UNKNOWN, NO_BATTERY, NO_BATTERY},
    {"SecondSystemBatteryIsBackupInNameOrder",
     {Draining("BAT1", "90\n", "18000000\n", "6000000\n"),
      Draining("BAT0", "30\n", "15000000\n", "5000000\n")},
     EXTERNAL_POWER_OFF, {POWER_FLAG_HIGH, 30, 10800, UNKNOWN},
     {POWER_FLAG_HIGH, 90, 10800, UNKNOWN}},
    {"WirelessMouseIsNoSystemBattery",
     {External("AC", "Mains", "1"),
      Battery("hidpp_battery_0",
              {{"scope", "Device\n"}, {"capacity", "30\n"}, {"status", "Discharging\n"}})},
     EXTERNAL_POWER_ON, NO_BATTERY, NO_BATTERY},
    {"EmptyBayIsSkipped",
     {Battery("BAT0", {{"present", "0\n"}, {"capacity", "99\n"}}),
      Battery("BAT1", {{"present", "1\n"}, {"capacity", "70\n"}, {"scope", "System\n"}})},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_HIGH, 70, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"UsbCOnline",
     {External("AC", "Mains", "0"), External("ucsi-source-psy-USBC000:001", "USB_C", "1")},
     EXTERNAL_POWER_ON, NO_BATTERY, NO_BATTERY},
    {"UsbPdProgrammableOnline", {External("tcpm-source-psy", "USB_PD_DRP", "2")},
     EXTERNAL_POWER_ON, NO_BATTERY, NO_BATTERY},
    {"WirelessChargerOffline", {External("wireless", "Wireless", "0")},
     EXTERNAL_POWER_OFF, NO_BATTERY, NO_BATTERY},
    {"UpsIsNotExternalPower", {External("ups", "UPS", "1")},
     EXTERNAL_POWER_UNKNOWN, NO_BATTERY, NO_BATTERY},
    {"OnlineUnreadableIsUnknown", {External("AC", "Mains", "")},
     EXTERNAL_POWER_UNKNOWN, NO_BATTERY, NO_BATTERY},
    {"DriverEstimateComesFirst",
     {Battery("BAT0", {{"status", "Discharging\n"}, {"time_to_empty_now", "7260\n"},
                       {"energy_now", "28500000\n"}, {"power_now", "9500000\n"},
                       {"energy_full", "50000000\n"}})},
     EXTERNAL_POWER_OFF, {POWER_FLAG_HIGH, 57, 7260, 18947}, NO_BATTERY},
    {"LevelUnknownSetsNoBit",
     {Battery("BAT0", {{"capacity_level", "Unknown\n"}, {"capacity", "50\n"}})},
     EXTERNAL_POWER_UNKNOWN, {0, 50, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"DriverLevelWinsOverCapacity",
     {Battery("BAT0", {{"capacity_level", "Critical\n"}, {"capacity", "50\n"}})},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_CRITICAL, 50, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"StrangeLevelFallsBackToCapacity",
     {Battery("BAT0", {{"capacity_level", "Medium\n"}, {"capacity", "12\n"}})},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_LOW, 12, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"PowerBelowTenMilliwattsIsUnknown", {Draining("BAT0", "50", "10000", "9999")},
     EXTERNAL_POWER_OFF, {POWER_FLAG_HIGH, 50, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"PowerAtTenMilliwatts", {Draining("BAT0", "50", "10000", "-10000")},
     EXTERNAL_POWER_OFF, {POWER_FLAG_HIGH, 50, 3600, UNKNOWN}, NO_BATTERY},
    {"CurrentBelowOneMilliampIsUnknown",
     {Battery("BAT0", {{"status", "Discharging"}, {"charge_now", "1000"}, {"current_now", "999"}})},
     EXTERNAL_POWER_OFF, {0, PERCENT_UNKNOWN, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"EnergyIsNeverDividedByCurrent",
     {Battery("BAT0", {{"status", "Discharging"}, {"energy_now", "28500000"},
                       {"current_now", "1000000"},
                       {"energy_full", "50000000"}})},
     EXTERNAL_POWER_OFF, {POWER_FLAG_HIGH, 57, UNKNOWN, UNKNOWN}, NO_BATTERY},
    // Each lifetime falls back to charge units on its own: a driver without
    // energy_full still gets a full lifetime from charge_full.
    {"EachLifetimeFallsBackOnItsOwn",
     {Battery("BAT0", {{"status", "Discharging"}, {"energy_now", "28500000"},
                       {"power_now", "9500000"}, {"charge_full", "4800000"},
                       {"current_now", "-1200000"}})},
     EXTERNAL_POWER_OFF, {0, PERCENT_UNKNOWN, 10800, 14400}, NO_BATTERY},
    {"LifetimeBeyondRecordIsUnknown", {Draining("BAT0", "50", "99999999999", "10000")},
     EXTERNAL_POWER_OFF, {POWER_FLAG_HIGH, 50, UNKNOWN, UNKNOWN}, NO_BATTERY},
    // A value and its line end must fit the 256-byte buffer.
    {"LongestValueThatFits", {Battery("BAT0", {{"capacity", std::string(252, ' ') + "57\n"}})},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_HIGH, 57, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"ValueOneByteTooLong", {Battery("BAT0", {{"capacity", std::string(253, ' ') + "57\n"}})},
     EXTERNAL_POWER_UNKNOWN, {0, PERCENT_UNKNOWN, UNKNOWN, UNKNOWN}, NO_BATTERY},
    // Without `capacity`: now over full of one unit family, rounded to the
    // nearest whole per cent, the level class following it.
    {"EnergyPairWithoutCapacityRoundsHalfUp",
     {External("AC", "Mains", "0"),
      Battery("BAT0", {{"status", "Discharging\n"}, {"present", "1\n"},
                       {"energy_now", "1250000\n"}, {"energy_full", "50000000\n"},
                       {"power_now", "9500000\n"}})},
     EXTERNAL_POWER_OFF, {POWER_FLAG_CRITICAL, 3, 473, 18947}, NO_BATTERY},
    {"ChargePairJustBelowHalfRoundsDown",
     {External("AC", "Mains", "1"), Holding("BAT1", "Charging", "charge_now", "818000",
                                            "charge_full", "4000000")},
     EXTERNAL_POWER_ON, {POWER_FLAG_LOW | POWER_FLAG_CHARGING, 20, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"ChargePairAtHalfRoundsUp",
     {External("AC", "Mains", "1"), Holding("BAT1", "Charging", "charge_now", "820000",
                                            "charge_full", "4000000")},
     EXTERNAL_POWER_ON, {POWER_FLAG_HIGH | POWER_FLAG_CHARGING, 21, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"FuelGaugeInChargeUnitsKeepsDriverLevel",
     {External("usb", "USB", "0"),
      Battery("bq27546-0", {{"status", "Discharging\n"}, {"capacity_level", "Normal\n"},
                            {"charge_now", "1520000\n"}, {"charge_full", "3040000\n"},
                            {"current_now", "-380000\n"}})},
     EXTERNAL_POWER_OFF, {POWER_FLAG_HIGH, 50, 14400, 28800}, NO_BATTERY},
    {"EnergyNowAboveFullIsFull",
     {Holding("BAT0", "Full", "energy_now", "51000000", "energy_full", "50000000")},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_HIGH, 100, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"EmptyBatteryReadsZero",
     {Holding("BAT0", "Unknown", "charge_now", "0", "charge_full", "4000000")},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_CRITICAL, 0, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"EnergyFullZeroFallsBackToCharge",
     {Battery("BAT0", {{"energy_now", "0\n"}, {"energy_full", "0\n"}, {"charge_now", "3000000\n"},
                       {"charge_full", "4000000\n"}})},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_HIGH, 75, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"HalfAnEnergyPairFallsBackToCharge",
     {Battery("BAT0", {{"energy_now", "40000000\n"}, {"charge_now", "1000000\n"},
                       {"charge_full", "4000000\n"}})},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_HIGH, 25, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"NowNegativeOrFullZeroIsUnknown",
     {Battery("BAT0", {{"status", "Discharging\n"}, {"energy_now", "-1000\n"},
                       {"energy_full", "50000000\n"}, {"charge_now", "1000000\n"},
                       {"charge_full", "0\n"}})},
     EXTERNAL_POWER_OFF, {0, PERCENT_UNKNOWN, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"FullNegativeIsUnknown",
     {Holding("BAT0", "Discharging", "charge_now", "-1000000", "charge_full", "-4000000")},
     EXTERNAL_POWER_OFF, {0, PERCENT_UNKNOWN, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"UnusableCapacityFallsBackToEnergy",
     {Battery("BAT0", {{"capacity", "-1\n"}, {"energy_now", "40000000\n"},
                       {"energy_full", "50000000\n"}})},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_HIGH, 80, UNKNOWN, UNKNOWN}, NO_BATTERY},
    // A full battery freshly calibrated: the driver says a little over 100.
    {"CapacityAboveHundredIsFull", {Battery("BAT0", CAPACITY_ABOVE_FULL)},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_HIGH, 100, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"CapacityAboveHundredKeepsDriverLevel",
     {External("AC", "Mains", "1"),
      Battery("BAT0", {{"status", "Full\n"}, {"capacity", "101\n"}, {"capacity_level", "Full\n"}})},
     EXTERNAL_POWER_ON, {POWER_FLAG_HIGH, 100, UNKNOWN, UNKNOWN}, NO_BATTERY},
    // Apple laptops report `capacity` against the battery's design size.
    {"MacBookPercentFromEnergy",
     {External("ADP1", "Mains", "1"), Battery("BAT0", WORN_FULL_APPLE_BATTERY)},
     EXTERNAL_POWER_ON, {POWER_FLAG_HIGH, 100, UNKNOWN, UNKNOWN}, NO_BATTERY,
     "MacBookPro11,5\n"},
    {"MacBookPercentFromCharge",
     {Battery("BAT0", {{"status", "Discharging\n"}, {"capacity", "30\n"},
                       {"charge_now", "2500000\n"}, {"charge_full", "5000000\n"}})},
     EXTERNAL_POWER_OFF, {POWER_FLAG_HIGH, 50, UNKNOWN, UNKNOWN}, NO_BATTERY, "MacBookAir7,2\n"},
    {"MacBookWithoutEnergyOrChargeUsesCapacity",
     {Battery("BAT0", {{"status", "Full\n"}, {"capacity", "104\n"}})},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_HIGH, 100, UNKNOWN, UNKNOWN}, NO_BATTERY, "MacBook8,1\n"},
    {"MacBookOnlyInTheMiddleIsNoMacBook", {Battery("BAT0", CAPACITY_ABOVE_FULL)},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_HIGH, 100, UNKNOWN, UNKNOWN}, NO_BATTERY,
     "Hackintosh MacBookPro15,1\n"},
    {"EmptyProductNameIsNoMacBook", {Battery("BAT0", CAPACITY_ABOVE_FULL)},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_HIGH, 100, UNKNOWN, UNKNOWN}, NO_BATTERY, ""},
    {"BinaryProductNameIsNoMacBook", {Battery("BAT0", CAPACITY_ABOVE_FULL)},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_HIGH, 100, UNKNOWN, UNKNOWN}, NO_BATTERY,
     std::string("MacBook\0\xff\x01\x80\n", 12)},
    {"LongProductNameIsNoMacBook", {Battery("BAT0", CAPACITY_ABOVE_FULL)},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_HIGH, 100, UNKNOWN, UNKNOWN}, NO_BATTERY,
     "MacBookPro" + std::string(4086, 'x')},
    // With no charger listed the battery says where its power comes from.
    {"NoChargerListedChargingMeansOn",
     {Battery("BAT0", {{"status", "Charging\n"}, {"capacity", "40\n"}})},
     EXTERNAL_POWER_ON, {POWER_FLAG_HIGH | POWER_FLAG_CHARGING, 40, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"NoChargerListedEitherBatteryDischargingMeansOff",
     {Battery("BAT0", {{"status", "Not charging\n"}, {"capacity", "90\n"}}),
      Battery("BAT1", {{"status", "Discharging\n"}, {"capacity", "40\n"}})},
     EXTERNAL_POWER_OFF, {POWER_FLAG_HIGH, 90, UNKNOWN, UNKNOWN},
     {POWER_FLAG_HIGH, 40, UNKNOWN, UNKNOWN}},
    {"NoChargerListedMouseSaysNothing",
     {Battery("BAT0", CAPACITY_ABOVE_FULL),
      Battery("hidpp_battery_0", {{"scope", "Device\n"}, {"status", "Discharging\n"}})},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_HIGH, 100, UNKNOWN, UNKNOWN}, NO_BATTERY},
    {"ListedChargerWinsOverBattery",
     {External("AC", "Mains", "0"), Holding("BAT0", "Charging", "energy_now", "1000000",
                                            "energy_full", "50000000")},
     EXTERNAL_POWER_OFF, {POWER_FLAG_CRITICAL | POWER_FLAG_CHARGING, 2, UNKNOWN, UNKNOWN},
     NO_BATTERY},
    {"ListedChargerUnreadableWinsOverBattery",
     {External("AC", "Mains", ""), Holding("BAT0", "Discharging", "charge_now", "3960000",
                                           "charge_full", "4000000")},
     EXTERNAL_POWER_UNKNOWN, {POWER_FLAG_HIGH, 99, UNKNOWN, UNKNOWN}, NO_BATTERY},
    // Listed, then gone before it was read: no supply, and no reason to
    // doubt the battery after it.
    {"SupplyGoneSinceTheListing",
     {Supply{"BAT0", {}}, External("AC", "Mains", "1"), Battery("BAT1", LAPTOP_DISCHARGING)},
     EXTERNAL_POWER_ON, {POWER_FLAG_HIGH, 57, 10800, 18947}, NO_BATTERY},
};
// clang-format on

void PrintTo(const PowerCase& c, std::ostream* out) { *out << c.title; }

std::string SourceName(Source source) { return source == Source::Files ? "Files" : "Uevent"; }

// Every case reads the same from files and from the kernel's uevent.
class PowerStatusTest : public testing::TestWithParam<std::tuple<PowerCase, Source>> {};

TEST_P(PowerStatusTest, FillsRecordFromSupplies) {
    const auto& [c, source] = GetParam();
    const PreparedTree tree;
    Prepare(tree, c.supplies, source);
    if (c.productName) WriteProductName(tree, *c.productName);
    PowerStatusRecord status;
    std::memset(&status, 0xA5, sizeof status);
    ASSERT_TRUE(QueryPowerStatus(&status, true));
    EXPECT_EQ(status.externalPower, c.externalPower);
    EXPECT_EQ(status.batteryFlags, c.main.flags);
    EXPECT_EQ(status.batteryPercent, c.main.percent);
    EXPECT_EQ(status.batteryLifeSeconds, c.main.life);
    EXPECT_EQ(status.batteryFullLifeSeconds, c.main.fullLife);
    EXPECT_EQ(status.backupFlags, c.backup.flags);
    EXPECT_EQ(status.backupPercent, c.backup.percent);
    EXPECT_EQ(status.backupLifeSeconds, c.backup.life);
    EXPECT_EQ(status.backupFullLifeSeconds, c.backup.fullLife);
}

INSTANTIATE_TEST_SUITE_P(Supplies, PowerStatusTest,
                         testing::Combine(testing::ValuesIn(POWER_CASES),
                                          testing::Values(Source::Files, Source::Uevent)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).title) + "_" +
                                    SourceName(std::get<1>(info.param));
                         });

TEST(PowerStatus, LevelFromCapacityAtBoundaries) {
    const std::pair<const char*, std::uint8_t> cases[] = {
        {"0", POWER_FLAG_CRITICAL}, {"5", POWER_FLAG_CRITICAL}, {"6", POWER_FLAG_LOW},
        {"20", POWER_FLAG_LOW},     {"21", POWER_FLAG_HIGH},    {"100", POWER_FLAG_HIGH}};
    for (const auto& [capacity, flags] : cases) {
        const PreparedTree tree;
        Prepare(tree, {Battery("BAT0", {{"capacity", capacity}})});
        PowerStatusRecord status;
        ASSERT_TRUE(QueryPowerStatus(&status, true));
        EXPECT_EQ(status.batteryFlags, flags) << "capacity " << capacity;
    }
}

TEST(PowerStatus, FailsWithoutPowerSupplyClass) {
    const PreparedTree tree;
    PowerStatusRecord status;
    EXPECT_FALSE(QueryPowerStatus(&status, true));
}

constexpr BatteryState UNKNOWN_BATTERY{0, PERCENT_UNKNOWN, UNKNOWN, UNKNOWN};

// A supply that is there but cannot be read (its type a folder here, as
// descriptors running out would make it) may be the battery or the charger:
// the slots it may have taken read as unknown, never as "no battery", and
// external power is unknown unless another supply is online.
TEST(PowerStatus, AnUnreadableSupplyReadsAsUnknownNeverAbsent) {
    const struct {
        const char* title;
        std::vector<Supply> supplies;
        const char* unreadable;
        std::uint8_t externalPower;
        BatteryState main;
        BatteryState backup;
    } cases[] = {
        {"the only battery",
         {External("AC", "Mains", "0"), Battery("BAT0", LAPTOP_DISCHARGING)},
         "BAT0",
         EXTERNAL_POWER_UNKNOWN,
         UNKNOWN_BATTERY,
         UNKNOWN_BATTERY},
        {"after the main battery",
         {External("AC", "Mains", "1"), Battery("BAT0", LAPTOP_DISCHARGING),
          Battery("BAT1", {{"capacity", "90\n"}})},
         "BAT1",
         EXTERNAL_POWER_ON,
         {POWER_FLAG_HIGH, 57, 10800, 18947},
         UNKNOWN_BATTERY},
        {"before the battery",
         {Battery("BAT0", LAPTOP_DISCHARGING), Battery("AAA", {})},
         "AAA",
         EXTERNAL_POWER_UNKNOWN,
         UNKNOWN_BATTERY,
         UNKNOWN_BATTERY},
    };
    for (const auto& c : cases) {
        const PreparedTree tree;
        Prepare(tree, c.supplies);
        const std::string type =
            tree.Path("sys/devices/virtual/power_supply/" + std::string(c.unreadable) + "/type");
        std::filesystem::remove(type);
        std::filesystem::create_directory(type);
        PowerStatusRecord status;
        ASSERT_TRUE(QueryPowerStatus(&status, true)) << c.title;
        EXPECT_EQ(status.externalPower, c.externalPower) << c.title;
        EXPECT_EQ(status.batteryFlags, c.main.flags) << c.title;
        EXPECT_EQ(status.batteryPercent, c.main.percent) << c.title;
        EXPECT_EQ(status.batteryLifeSeconds, c.main.life) << c.title;
        EXPECT_EQ(status.backupFlags, c.backup.flags) << c.title;
        EXPECT_EQ(status.backupPercent, c.backup.percent) << c.title;
    }
}

// The supplies' folder opens, a supply's does not: the descriptors are gone,
// as a flood of connections once made them.
TEST(PowerStatus, DescriptorsRunningOutReadAsUnknown) {
    const PreparedTree tree;
    Prepare(tree, {External("AC", "Mains", "0"), Battery("BAT0", LAPTOP_DISCHARGING)});
    PowerStatusRecord status;
    {
        const velorwind_test::DescriptorLimit limit(1);
        ASSERT_TRUE(QueryPowerStatus(&status, true));
    }
    EXPECT_EQ(status.externalPower, EXTERNAL_POWER_UNKNOWN);
    EXPECT_EQ(status.batteryFlags, 0) << "not POWER_FLAG_NO_BATTERY";
    EXPECT_EQ(status.batteryPercent, PERCENT_UNKNOWN);
    ASSERT_TRUE(QueryPowerStatus(&status, true));
    EXPECT_EQ(status.batteryPercent, 57) << "read again once descriptors are back";
}

// A FIFO in place of an attribute would hold a blocking open until someone
// writes to it. The query returns without it; should it wait, the test ends
// the wait by opening the other end and fails.
TEST(PowerStatus, AFifoAttributeIsNotWaitedFor) {
    const PreparedTree tree;
    Prepare(tree, {External("AC", "Mains", "1"), Battery("BAT0", LAPTOP_DISCHARGING)});
    const std::string capacity = tree.Path("sys/devices/virtual/power_supply/BAT0/capacity");
    std::filesystem::remove(capacity);
    ASSERT_EQ(::mkfifo(capacity.c_str(), 0600), 0);
    const std::string uevent = tree.Path("sys/devices/virtual/power_supply/BAT0/uevent");
    ASSERT_EQ(::mkfifo(uevent.c_str(), 0600), 0);

    PowerStatusRecord status;
    std::atomic<bool> done = false;
    std::thread query([&] {
        QueryPowerStatus(&status, true);
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const bool returnedAlone = done;
    while (!done) {
        for (const std::string& fifo : {capacity, uevent}) {
            const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) ::close(writer);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    query.join();
    EXPECT_TRUE(returnedAlone) << "the query waited for a writer";
    EXPECT_EQ(status.batteryPercent, 57) << "from the energy pair, as without capacity";
    EXPECT_EQ(status.batteryLifeSeconds, 10800u) << "the other attributes still read";
}

// Each bad value is written into every attribute at once: the percentage,
// the driver's estimate (which must give way to the energy pair), the backup
// battery's energy (no lifetime) and the mains' online state.
class BadAttributeTest : public testing::TestWithParam<std::tuple<std::string, Source>> {};

TEST_P(BadAttributeTest, ReadsAsUnknown) {
    const auto& [bad, source] = GetParam();
    const PreparedTree tree;
    Prepare(tree,
            {Supply{"AC", {{"type", "Mains\n"}, {"online", bad}}},
             Battery("BAT0", {{"status", "Discharging\n"},
                              {"capacity", bad},
                              {"time_to_empty_now", bad},
                              {"energy_now", "28500000\n"},
                              {"power_now", "9500000\n"},
                              {"energy_full", bad}}),
             Draining("BAT1", "50\n", bad, "9500000\n")},
            source);
    PowerStatusRecord status;
    ASSERT_TRUE(QueryPowerStatus(&status, true));
    EXPECT_EQ(status.externalPower, EXTERNAL_POWER_UNKNOWN);
    EXPECT_EQ(status.batteryPercent, PERCENT_UNKNOWN);
    EXPECT_EQ(status.batteryFlags, 0);
    EXPECT_EQ(status.batteryLifeSeconds, 10800u);
    EXPECT_EQ(status.batteryFullLifeSeconds, UNKNOWN);
    EXPECT_EQ(status.backupPercent, 50);
    EXPECT_EQ(status.backupLifeSeconds, UNKNOWN);
}

INSTANTIATE_TEST_SUITE_P(
    Values, BadAttributeTest,
    testing::Combine(testing::Values("", "\n", "abc\n", "-5\n", "-0\n", "99999999999999999999\n",
                                     "12abc\n", "1 2\n", "0x10\n", "+7\n", "3.5\n",
                                     std::string(300, '1'), std::string("4\0", 2)),
                     testing::Values(Source::Files, Source::Uevent)));

// A uevent the kernel would not write is passed over for the attribute
// files, which hold the right values while the uevent does not; one with
// keys this code does not know is read, while the files hold garbage.
struct UeventCase {
    const char* title;
    std::string uevent;
    bool read;  // instead of the files
};

const std::string KERNEL_UEVENT = UeventOf(Battery("BAT0", LAPTOP_DISCHARGING));
const std::string WRONG_UEVENT =
    "POWER_SUPPLY_TYPE=Battery\nPOWER_SUPPLY_STATUS=Charging\nPOWER_SUPPLY_CAPACITY=11\n";

const UeventCase UEVENT_CASES[] = {
    {"UnknownKeysPassedOver",
     "MAJOR=1\nPOWER_SUPPLY_MODEL_NAME=x=y\nPOWER_SUPPLY_MODEL_NAME=again\n" + KERNEL_UEVENT +
         "POWER_SUPPLY_SERIAL_NUMBER=" + std::string(2000, 'S') + "\n",
     true},
    {"LastLineWithoutLineEnd", KERNEL_UEVENT.substr(0, KERNEL_UEVENT.size() - 1), true},
    {"KnownKeyTwice", WRONG_UEVENT + "POWER_SUPPLY_CAPACITY=12\n", false},
    {"LineWithoutEquals", WRONG_UEVENT + "POWER_SUPPLY_VOLTAGE_NOW\n", false},
    {"BlankLine", "POWER_SUPPLY_TYPE=Battery\n\nPOWER_SUPPLY_CAPACITY=11\n", false},
    {"NoType", "POWER_SUPPLY_STATUS=Charging\nPOWER_SUPPLY_CAPACITY=11\n", false},
    {"Empty", "", false},
    {"LongerThanAPage", WRONG_UEVENT + "POWER_SUPPLY_MODEL_NAME=" + std::string(5000, 'M') + "\n",
     false},
};

void PrintTo(const UeventCase& c, std::ostream* out) { *out << c.title; }

class UeventTest : public testing::TestWithParam<UeventCase> {};

TEST_P(UeventTest, ReadsAsTheFilesDo) {
    const UeventCase& c = GetParam();
    const PreparedTree tree;
    Attributes files = LAPTOP_DISCHARGING;
    if (c.read) {
        for (auto& [attribute, value] : files) value = "garbage\n";
    }
    Prepare(tree, {Battery("BAT0", files)});
    tree.Write(DeviceFolder("BAT0") + "/uevent", c.uevent);
    PowerStatusRecord status;
    ASSERT_TRUE(QueryPowerStatus(&status, true));
    EXPECT_EQ(status.batteryFlags, POWER_FLAG_HIGH);
    EXPECT_EQ(status.batteryPercent, 57);
    EXPECT_EQ(status.batteryLifeSeconds, 10800u);
    EXPECT_EQ(status.batteryFullLifeSeconds, 18947u);
}

INSTANTIATE_TEST_SUITE_P(Uevents, UeventTest, testing::ValuesIn(UEVENT_CASES),
                         [](const auto& info) { return std::string(info.param.title); });

TEST(PowerStatus, ValueWithoutLineEndOrWithBlanksReadsAsIs) {
    const PreparedTree tree;
    Prepare(tree, {Draining("BAT0", " 57 ", "28500000", "9500000")});
    PowerStatusRecord status;
    ASSERT_TRUE(QueryPowerStatus(&status, true));
    EXPECT_EQ(status.batteryPercent, 57);
    EXPECT_EQ(status.batteryLifeSeconds, 10800u);
}

struct DrainCase {
    std::uint64_t amount;
    std::uint64_t rate;
    std::uint64_t minimumRate;
    std::uint32_t seconds;
};

TEST(BatteryLifetime, SecondsToDrainStaysInRecordRange) {
    constexpr std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();
    const DrainCase cases[] = {
        {3600, 3600, 1, 3600},
        {1, 3, 1, 1200},
        {0, 10000, 10000, 0},
        {1000, 9999, 10000, UNKNOWN},
        {1000, 0, 0, UNKNOWN},
        {0xFFFFFFFEull, 3600, 1, 0xFFFFFFFEu},
        {0xFFFFFFFFull, 3600, 1, UNKNOWN},
        {largest, 1000, 1, UNKNOWN},
        {largest, largest / 3600, 1, 12960000},
        {largest, largest / 3600 + 1, 1, UNKNOWN},
    };
    for (const DrainCase& c : cases) {
        EXPECT_EQ(linux_status::SecondsToDrain(c.amount, c.rate, c.minimumRate), c.seconds)
            << c.amount << " at " << c.rate;
    }
}

}  // namespace
