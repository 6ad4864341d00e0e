// The power status from the kernel's power-supply class: one folder per
// supply under <sysfs>/class/power_supply, read afresh at every query. A
// query allocates nothing once the list of supplies has reached its size.

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/linux/attribute_file.h"
#include "platform/linux/battery_lifetime.h"
#include "platform/linux/battery_percentage.h"
#include "platform/linux/status_roots.h"
#include "platform/linux/supply_attributes.h"
#include "platform/power_status.h"
#include "platform/shared/file_descriptor.h"

namespace platform {
namespace {

using shared::FileDescriptor;

constexpr std::int64_t LARGEST_READING = std::numeric_limits<std::int64_t>::max();

struct BatteryReading {
    std::uint8_t flags = POWER_FLAG_NO_BATTERY;
    std::uint8_t percent = PERCENT_UNKNOWN;
    std::uint32_t lifeSeconds = LIFETIME_UNKNOWN;
    std::uint32_t fullLifeSeconds = LIFETIME_UNKNOWN;
    bool discharging = false;
};

// What the external supplies said; unreadable `online` files say nothing.
// A supply that could not be read at all may be a charger that is online,
// so without another one online the state is unknown, never off.
struct ExternalPowerReading {
    bool anyListed = false;
    bool anyOnline = false;
    bool anyAnswered = false;
    bool anyUnreadable = false;

    // A listed charger answers for itself. Without one (tablets and boards
    // that list only their battery) the system batteries tell: one charging
    // is fed from outside, one discharging is not.
    std::uint8_t State(std::span<const BatteryReading> batteries) const {
        if (anyOnline) return EXTERNAL_POWER_ON;
        if (anyListed || anyUnreadable) {
            return anyAnswered && !anyUnreadable ? EXTERNAL_POWER_OFF : EXTERNAL_POWER_UNKNOWN;
        }
        const auto charging = [](const BatteryReading& battery) {
            return (battery.flags & POWER_FLAG_CHARGING) != 0;
        };
        if (std::any_of(batteries.begin(), batteries.end(), charging)) return EXTERNAL_POWER_ON;
        const auto discharging = [](const BatteryReading& battery) { return battery.discharging; };
        if (std::any_of(batteries.begin(), batteries.end(), discharging)) return EXTERNAL_POWER_OFF;
        return EXTERNAL_POWER_UNKNOWN;
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

using linux_status::SupplyAttribute;
using linux_status::SupplyAttributes;

// A battery that powers the system: not a peripheral's (a wireless mouse
// reports scope Device) and not an empty bay.
bool IsSystemBattery(SupplyAttributes& supply) {
    if (supply.Is(SupplyAttribute::Scope, "Device")) return false;
    return supply.Integer(SupplyAttribute::Present, 0, LARGEST_READING) != 0;
}

// `online` is 1 for a fixed supply and 2 for a programmable one.
void NoteExternalSupply(SupplyAttributes& supply, ExternalPowerReading& external) {
    external.anyListed = true;
    const std::optional<std::int64_t> online = supply.Integer(SupplyAttribute::Online, 0, 2);
    if (!online) return;
    external.anyAnswered = true;
    if (*online != 0) external.anyOnline = true;
}

std::uint8_t LevelFromPercent(std::uint8_t percent) {
    if (percent == PERCENT_UNKNOWN) return 0;
    if (percent <= 5) return POWER_FLAG_CRITICAL;
    if (percent <= 20) return POWER_FLAG_LOW;
    return POWER_FLAG_HIGH;
}

// The driver's own level class wins over one derived from the percentage;
// a class this code does not know falls back to the percentage.
std::uint8_t LevelFlags(SupplyAttributes& supply, std::uint8_t percent) {
    std::array<char, linux_status::ATTRIBUTE_BUFFER_BYTES> buffer;
    const std::optional<std::string_view> level =
        supply.Text(SupplyAttribute::CapacityLevel, buffer);
    if (level) {
        if (*level == "Full" || *level == "High" || *level == "Normal") return POWER_FLAG_HIGH;
        if (*level == "Low") return POWER_FLAG_LOW;
        if (*level == "Critical") return POWER_FLAG_CRITICAL;
        if (*level == "Unknown") return 0;
    }
    return LevelFromPercent(percent);
}

// The drain rate with its sign dropped, as some drivers report discharge as
// a negative current.
std::optional<std::uint64_t> ReadDrainRate(SupplyAttributes& supply, SupplyAttribute rateName) {
    const std::optional<std::int64_t> rate =
        supply.Integer(rateName, -LARGEST_READING, LARGEST_READING);
    if (!rate) return std::nullopt;
    return static_cast<std::uint64_t>(std::abs(*rate));
}

std::uint32_t LifetimeOf(SupplyAttributes& supply, SupplyAttribute amountName, std::uint64_t rate,
                         std::uint64_t minimumRate) {
    const std::optional<std::int64_t> amount = supply.Integer(amountName, 0, LARGEST_READING);
    if (!amount) return LIFETIME_UNKNOWN;
    return linux_status::SecondsToDrain(static_cast<std::uint64_t>(*amount), rate, minimumRate);
}

// One unit family: what is left and what a full battery holds, over the
// rate that drains both.
struct UnitFamily {
    SupplyAttribute nowName;
    SupplyAttribute fullName;
    SupplyAttribute rateName;
    std::uint64_t minimumRate;
};

constexpr UnitFamily ENERGY{SupplyAttribute::EnergyNow, SupplyAttribute::EnergyFull,
                            SupplyAttribute::PowerNow, linux_status::MINIMUM_POWER_MICROWATTS};
constexpr UnitFamily CHARGE{SupplyAttribute::ChargeNow, SupplyAttribute::ChargeFull,
                            SupplyAttribute::CurrentNow, linux_status::MINIMUM_CURRENT_MICROAMPS};

// Fills whichever lifetime is still unknown from `family`. The rate is read
// once for both: this runs every second while the dialog is up.
void FillLifetimes(SupplyAttributes& supply, const UnitFamily& family, BatteryReading& battery) {
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
void ReadLifetimes(SupplyAttributes& supply, BatteryReading& battery) {
    const std::optional<std::int64_t> estimate =
        supply.Integer(SupplyAttribute::TimeToEmptyNow, 0, linux_status::LONGEST_LIFETIME_SECONDS);
    if (estimate) battery.lifeSeconds = static_cast<std::uint32_t>(*estimate);
    FillLifetimes(supply, ENERGY, battery);
    FillLifetimes(supply, CHARGE, battery);
}

// The driver's `capacity`; a freshly calibrated full battery may report a
// little above 100.
std::optional<std::uint8_t> ReadCapacity(SupplyAttributes& supply) {
    const std::optional<std::int64_t> capacity =
        supply.Integer(SupplyAttribute::Capacity, 0, LARGEST_READING);
    if (!capacity) return std::nullopt;
    return static_cast<std::uint8_t>(std::min<std::int64_t>(*capacity, 100));
}

// What is left over what a full battery holds, energy first: a measurement,
// for drivers without `capacity`. One family's "now" is never taken over
// the other's "full".
std::optional<std::uint8_t> ReadPercentOfFull(SupplyAttributes& supply) {
    for (const UnitFamily* family : {&ENERGY, &CHARGE}) {
        const std::optional<std::int64_t> now = supply.Integer(family->nowName, 0, LARGEST_READING);
        const std::optional<std::int64_t> full =
            supply.Integer(family->fullName, 1, LARGEST_READING);
        if (now && full) return linux_status::PercentOfFull(*now, *full);
    }
    return std::nullopt;
}

// Whether this machine's `capacity` is against the design size, found out
// at most once a query and only when a battery has a `capacity` to doubt.
class DesignSizeQuirk {
public:
    bool Applies() {
        if (!applies_) applies_ = linux_status::CapacityIsAgainstDesignSize();
        return *applies_;
    }

private:
    std::optional<bool> applies_;
};

std::uint8_t ReadPercent(SupplyAttributes& supply, DesignSizeQuirk& quirk) {
    const std::optional<std::uint8_t> capacity = ReadCapacity(supply);
    if (capacity && !quirk.Applies()) return *capacity;
    return ReadPercentOfFull(supply).value_or(capacity.value_or(PERCENT_UNKNOWN));
}

BatteryReading ReadBattery(SupplyAttributes& supply, DesignSizeQuirk& quirk) {
    BatteryReading battery;
    battery.percent = ReadPercent(supply, quirk);
    battery.flags = LevelFlags(supply, battery.percent);

    std::array<char, linux_status::ATTRIBUTE_BUFFER_BYTES> buffer;
    const std::string_view status = supply.Text(SupplyAttribute::Status, buffer).value_or("");
    if (status == "Charging") battery.flags |= POWER_FLAG_CHARGING;
    // A drain rate means a lifetime only while the battery feeds the device.
    battery.discharging = status == "Discharging";
    if (battery.discharging) ReadLifetimes(supply, battery);
    return battery;
}

// A supply's folder name; the kernel's names are short, and no folder entry
// is longer than this.
using SupplyName = std::array<char, NAME_MAX + 1>;

// The supplies in name order, so the main battery is the same one at every
// query however the file system lists them. The list is kept from query to
// query, so that reading it costs no allocation once it has grown to the
// machine's count of supplies. False when the folder cannot be listed.
bool ListSupplies(int classFolder, std::vector<SupplyName>& names) {
    names.clear();
    alignas(dirent64) char entries[4096];
    for (;;) {
        const ssize_t count = ::getdents64(classFolder, entries, sizeof entries);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;
        if (count == 0) break;
        for (ssize_t at = 0; at < count;) {
            const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
            at += entry->d_reclen;
            const std::string_view name = entry->d_name;
            if (name == "." || name == ".." || name.size() >= SupplyName{}.size()) continue;
            SupplyName& stored = names.emplace_back();
            name.copy(stored.data(), name.size());
            stored[name.size()] = '\0';
        }
    }
    std::sort(names.begin(), names.end(), [](const SupplyName& left, const SupplyName& right) {
        return std::strcmp(left.data(), right.data()) < 0;
    });
    return true;
}

void StoreBattery(const BatteryReading& battery, std::uint8_t& flags, std::uint8_t& percent,
                  std::uint32_t& life, std::uint32_t& fullLife) {
    flags = battery.flags;
    percent = battery.percent;
    life = battery.lifeSeconds;
    fullLife = battery.fullLifeSeconds;
}

// A supply's kind; nothing when the supply is there but cannot be read.
// One gone since the listing, or an entry that is no folder, is no supply.
std::optional<SupplyKind> SupplyKindOf(SupplyAttributes& supply) {
    std::array<char, linux_status::ATTRIBUTE_BUFFER_BYTES> buffer;
    linux_status::NoValue why = linux_status::NoValue::Missing;
    const std::optional<std::string_view> type = supply.Text(SupplyAttribute::Type, buffer, &why);
    if (!type && why == linux_status::NoValue::Unreadable) return std::nullopt;
    return KindOf(type.value_or(""));
}

// The battery of a slot that a supply which could not be read may have
// taken: neither present nor absent.
constexpr BatteryReading UNKNOWN_BATTERY{0, PERCENT_UNKNOWN, LIFETIME_UNKNOWN, LIFETIME_UNKNOWN};

}  // namespace

bool QueryPowerStatus(PowerStatusRecord* status, bool /*update: every query is fresh*/) {
    if (status == nullptr) return false;
    char classPath[PATH_MAX];
    const std::string_view root = linux_status::SysfsRoot();
    const int length = std::snprintf(classPath, sizeof classPath, "%.*s/class/power_supply",
                                     static_cast<int>(root.size()), root.data());
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof classPath) return false;
    const FileDescriptor folder(::open(classPath, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
    thread_local std::vector<SupplyName> names;
    if (!folder.valid() || !ListSupplies(folder.get(), names)) return false;

    ExternalPowerReading external;
    std::array<BatteryReading, 2> batteries;  // main, backup
    std::size_t batteriesFound = 0;
    DesignSizeQuirk quirk;
    // A supply that is there but cannot be read (descriptors exhausted, say)
    // may be the battery or the charger. Batteries are taken in name order,
    // so from then on every slot not yet filled is unknown: a later battery
    // would show in the wrong slot.
    bool unreadableSeen = false;
    for (const SupplyName& name : names) {
        SupplyAttributes supply(folder.get(), name.data());
        const std::optional<SupplyKind> kind = SupplyKindOf(supply);
        if (!kind) {
            unreadableSeen = true;
            external.anyUnreadable = true;
        } else if (*kind == SupplyKind::External) {
            NoteExternalSupply(supply, external);
        } else if (*kind == SupplyKind::Battery && !unreadableSeen &&
                   batteriesFound < batteries.size() && IsSystemBattery(supply)) {
            batteries[batteriesFound++] = ReadBattery(supply, quirk);
        }
    }
    if (unreadableSeen) {
        for (std::size_t slot = batteriesFound; slot < batteries.size(); ++slot) {
            batteries[slot] = UNKNOWN_BATTERY;
        }
    }

    *status = PowerStatusRecord{};
    status->externalPower =
        external.State(std::span<const BatteryReading>(batteries.data(), batteriesFound));
    StoreBattery(batteries[0], status->batteryFlags, status->batteryPercent,
                 status->batteryLifeSeconds, status->batteryFullLifeSeconds);
    StoreBattery(batteries[1], status->backupFlags, status->backupPercent,
                 status->backupLifeSeconds, status->backupFullLifeSeconds);
    return true;
}

}  // namespace platform
