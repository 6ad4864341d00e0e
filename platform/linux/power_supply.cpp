// The power status from the kernel's power-supply class: one folder per
// supply under <sysfs>/class/power_supply, read afresh at every query.

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/attribute_file.h"
#include "platform/linux/battery_lifetime.h"
#include "platform/linux/file_descriptor.h"
#include "platform/linux/status_roots.h"
#include "platform/power_status.h"

namespace platform {
namespace {

using linux_status::AttributeIs;
using linux_status::FileDescriptor;
using linux_status::ReadAttributeInteger;
using linux_status::ReadAttributeText;

constexpr std::int64_t LARGEST_READING = std::numeric_limits<std::int64_t>::max();

struct BatteryReading {
    std::uint8_t flags = POWER_FLAG_NO_BATTERY;
    std::uint8_t percent = PERCENT_UNKNOWN;
    std::uint32_t lifeSeconds = LIFETIME_UNKNOWN;
    std::uint32_t fullLifeSeconds = LIFETIME_UNKNOWN;
};

// What the external supplies said; unreadable `online` files say nothing.
// A supply that could not be read at all may be a charger that is online,
// so without another one online the state is unknown, never off.
struct ExternalPowerReading {
    bool anyOnline = false;
    bool anyAnswered = false;
    bool anyUnreadable = false;

    std::uint8_t State() const {
        if (anyOnline) return EXTERNAL_POWER_ON;
        return anyAnswered && !anyUnreadable ? EXTERNAL_POWER_OFF : EXTERNAL_POWER_UNKNOWN;
    }
};

enum class SupplyKind { External, Battery, Other };

// The kinds of supply that feed the device from outside. USB comes in many
// variants (USB_C, USB_PD, USB_PD_DRP, USB_DCP, USB_CDP, USB_ACA, ...).
SupplyKind KindOf(std::string_view type) {
    if (type == "Battery") return SupplyKind::Battery;
    if (type == "Mains" || type == "USB" || type.starts_with("USB_") || type == "Wireless" ||
        type == "BrickID") {
        return SupplyKind::External;
    }
    return SupplyKind::Other;
}

// A battery that powers the system: not a peripheral's (a wireless mouse
// reports scope Device) and not an empty bay.
bool IsSystemBattery(int supply) {
    if (AttributeIs(supply, "scope", "Device")) return false;
    return ReadAttributeInteger(supply, "present", 0, LARGEST_READING) != 0;
}

// `online` is 1 for a fixed supply and 2 for a programmable one.
void NoteExternalSupply(int supply, ExternalPowerReading& external) {
    const std::optional<std::int64_t> online = ReadAttributeInteger(supply, "online", 0, 2);
    if (!online) return;
    external.anyAnswered = true;
    if (*online != 0) external.anyOnline = true;
}

std::uint8_t LevelFromCapacity(std::optional<std::int64_t> capacity) {
    if (!capacity) return 0;
    if (*capacity <= 5) return POWER_FLAG_CRITICAL;
    if (*capacity <= 20) return POWER_FLAG_LOW;
    return POWER_FLAG_HIGH;
}

// The driver's own level class wins over one derived from the percentage;
// a class this code does not know falls back to the percentage.
std::uint8_t LevelFlags(int supply, std::optional<std::int64_t> capacity) {
    std::array<char, linux_status::ATTRIBUTE_BUFFER_BYTES> buffer;
    const std::optional<std::string_view> level =
        ReadAttributeText(supply, "capacity_level", buffer);
    if (level) {
        if (*level == "Full" || *level == "High" || *level == "Normal") return POWER_FLAG_HIGH;
        if (*level == "Low") return POWER_FLAG_LOW;
        if (*level == "Critical") return POWER_FLAG_CRITICAL;
        if (*level == "Unknown") return 0;
    }
    return LevelFromCapacity(capacity);
}

// The drain rate with its sign dropped, as some drivers report discharge as
// a negative current.
std::optional<std::uint64_t> ReadDrainRate(int supply, const char* rateName) {
    const std::optional<std::int64_t> rate =
        ReadAttributeInteger(supply, rateName, -LARGEST_READING, LARGEST_READING);
    if (!rate) return std::nullopt;
    return static_cast<std::uint64_t>(std::abs(*rate));
}

std::uint32_t LifetimeOf(int supply, const char* amountName, std::uint64_t rate,
                         std::uint64_t minimumRate) {
    const std::optional<std::int64_t> amount =
        ReadAttributeInteger(supply, amountName, 0, LARGEST_READING);
    if (!amount) return LIFETIME_UNKNOWN;
    return linux_status::SecondsToDrain(static_cast<std::uint64_t>(*amount), rate, minimumRate);
}

// One unit family: what is left and what a full battery holds, over the
// rate that drains both.
struct UnitFamily {
    const char* nowName;
    const char* fullName;
    const char* rateName;
    std::uint64_t minimumRate;
};

constexpr UnitFamily ENERGY{"energy_now", "energy_full", "power_now",
                            linux_status::MINIMUM_POWER_MICROWATTS};
constexpr UnitFamily CHARGE{"charge_now", "charge_full", "current_now",
                            linux_status::MINIMUM_CURRENT_MICROAMPS};

// Fills whichever lifetime is still unknown from `family`. The rate is read
// once for both: this runs every second while the dialog is up.
void FillLifetimes(int supply, const UnitFamily& family, BatteryReading& battery) {
    const bool needLife = battery.lifeSeconds == LIFETIME_UNKNOWN;
    const bool needFullLife = battery.fullLifeSeconds == LIFETIME_UNKNOWN;
    if (!needLife && !needFullLife) return;
    const std::optional<std::uint64_t> rate = ReadDrainRate(supply, family.rateName);
    if (!rate) return;
    if (needLife) {
        battery.lifeSeconds = LifetimeOf(supply, family.nowName, *rate, family.minimumRate);
    }
    if (needFullLife) {
        battery.fullLifeSeconds = LifetimeOf(supply, family.fullName, *rate, family.minimumRate);
    }
}

// The driver's own estimate comes first: it may smooth the drain over time.
// Energy over power is preferred to charge over current, each lifetime on
// its own, so a driver that lacks one energy attribute still gets a figure.
void ReadLifetimes(int supply, BatteryReading& battery) {
    const std::optional<std::int64_t> estimate = ReadAttributeInteger(
        supply, "time_to_empty_now", 0, linux_status::LONGEST_LIFETIME_SECONDS);
    if (estimate) battery.lifeSeconds = static_cast<std::uint32_t>(*estimate);
    FillLifetimes(supply, ENERGY, battery);
    FillLifetimes(supply, CHARGE, battery);
}

BatteryReading ReadBattery(int supply) {
    BatteryReading battery;
    const std::optional<std::int64_t> capacity = ReadAttributeInteger(supply, "capacity", 0, 100);
    battery.percent = capacity ? static_cast<std::uint8_t>(*capacity) : PERCENT_UNKNOWN;
    battery.flags = LevelFlags(supply, capacity);

    std::array<char, linux_status::ATTRIBUTE_BUFFER_BYTES> buffer;
    const std::string_view status = ReadAttributeText(supply, "status", buffer).value_or("");
    if (status == "Charging") battery.flags |= POWER_FLAG_CHARGING;
    // A drain rate means a lifetime only while the battery feeds the device.
    if (status == "Discharging") ReadLifetimes(supply, battery);
    return battery;
}

struct FolderCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};
using Folder = std::unique_ptr<DIR, FolderCloser>;

// Supplies in name order, so the main battery is the same one at every
// query however the file system lists them.
std::vector<std::string> SupplyNames(DIR* folder) {
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void StoreBattery(const BatteryReading& battery, std::uint8_t& flags, std::uint8_t& percent,
                  std::uint32_t& life, std::uint32_t& fullLife) {
    flags = battery.flags;
    percent = battery.percent;
    life = battery.lifeSeconds;
    fullLife = battery.fullLifeSeconds;
}

// One supply's folder and kind. The kind is nothing when the supply is
// there but cannot be read.
struct SupplyFolder {
    FileDescriptor folder;
    std::optional<SupplyKind> kind;
};

SupplyFolder OpenSupply(int classFolder, const char* name) {
    SupplyFolder supply{FileDescriptor(::openat(classFolder, name,
                                                O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK)),
                        std::nullopt};
    if (!supply.folder.valid()) {
        // Gone since the listing, or an entry that is no folder: no supply.
        if (linux_status::IsMissing(errno)) supply.kind = SupplyKind::Other;
        return supply;
    }
    std::array<char, linux_status::ATTRIBUTE_BUFFER_BYTES> buffer;
    linux_status::NoValue why = linux_status::NoValue::Missing;
    const std::optional<std::string_view> type =
        ReadAttributeText(supply.folder.get(), "type", buffer, &why);
    if (type || why == linux_status::NoValue::Missing) supply.kind = KindOf(type.value_or(""));
    return supply;
}

// The battery of a slot that a supply which could not be read may have
// taken: neither present nor absent.
constexpr BatteryReading UNKNOWN_BATTERY{0, PERCENT_UNKNOWN, LIFETIME_UNKNOWN, LIFETIME_UNKNOWN};

}  // namespace

bool QueryPowerStatus(PowerStatusRecord* status, bool /*update: every query is fresh*/) {
    if (status == nullptr) return false;
    std::string classPath(linux_status::SysfsRoot());
    classPath += "/class/power_supply";
    const Folder folder(::opendir(classPath.c_str()));
    if (!folder) return false;

    ExternalPowerReading external;
    std::array<BatteryReading, 2> batteries;  // main, backup
    std::size_t batteriesFound = 0;
    // A supply that is there but cannot be read (descriptors exhausted, say)
    // may be the battery or the charger. Batteries are taken in name order,
    // so from then on every slot not yet filled is unknown: a later battery
    // would show in the wrong slot.
    bool unreadableSeen = false;
    for (const std::string& name : SupplyNames(folder.get())) {
        const SupplyFolder supply = OpenSupply(::dirfd(folder.get()), name.c_str());
        if (!supply.kind) {
            unreadableSeen = true;
            external.anyUnreadable = true;
        } else if (*supply.kind == SupplyKind::External) {
            NoteExternalSupply(supply.folder.get(), external);
        } else if (*supply.kind == SupplyKind::Battery && !unreadableSeen &&
                   batteriesFound < batteries.size() && IsSystemBattery(supply.folder.get())) {
            batteries[batteriesFound++] = ReadBattery(supply.folder.get());
        }
    }
    if (unreadableSeen) {
        for (std::size_t slot = batteriesFound; slot < batteries.size(); ++slot) {
            batteries[slot] = UNKNOWN_BATTERY;
        }
    }

    *status = PowerStatusRecord{};
    status->externalPower = external.State();
    StoreBattery(batteries[0], status->batteryFlags, status->batteryPercent,
                 status->batteryLifeSeconds, status->batteryFullLifeSeconds);
    StoreBattery(batteries[1], status->backupFlags, status->backupPercent,
                 status->backupLifeSeconds, status->backupFullLifeSeconds);
    return true;
}

}  // namespace platform
