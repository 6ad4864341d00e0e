// The power status from any attribute values: a mains adapter and a
// battery whose attributes are taken from the input, each value up to a
// 0xFF byte, an attribute without a value left out, and after them the
// machine's product name. The adapter is listed only when its `online` has
// a value. Property: the record holds what a reference reading of the
// attributes gives: strict decimal numbers within their ranges, the level
// words, the charging word, the percentage from `capacity` or from now over
// full (Apple laptops the other way round), external power from the
// battery's status when no adapter is listed, and lifetimes computed in 128
// bits from the first family that yields one. Then the same values as the
// kernel writes them, each file one line and each supply's uevent the same
// lines: read from the uevents alone, the record is the one the files alone
// give.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/power_status.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/prepared_folder.h"

namespace {

using namespace platform;

// Wide enough for any product of two 64-bit numbers.
__extension__ using WideSigned = __int128;
__extension__ using WideUnsigned = unsigned __int128;

constexpr const char* ATTRIBUTES[] = {"AC/online",
                                      "BAT0/present",
                                      "BAT0/scope",
                                      "BAT0/status",
                                      "BAT0/capacity",
                                      "BAT0/capacity_level",
                                      "BAT0/energy_now",
                                      "BAT0/energy_full",
                                      "BAT0/power_now",
                                      "BAT0/charge_now",
                                      "BAT0/charge_full",
                                      "BAT0/current_now",
                                      "BAT0/time_to_empty_now"};
constexpr std::size_t ATTRIBUTE_COUNT = std::size(ATTRIBUTES);
constexpr std::int64_t LARGEST = INT64_MAX;
constexpr const char* PRODUCT_NAME = "sys/class/dmi/id/product_name";
constexpr const char* SUPPLIES = "sys/class/power_supply/";

// A file's text as a value: nothing when it is longer than any value.
std::optional<std::string_view> Trimmed(std::optional<std::string_view> value) {
    if (!value || value->size() >= 256) return std::nullopt;
    std::string_view text = *value;
    constexpr std::string_view blanks = " \t\r\n";
    while (!text.empty() && blanks.find(text.front()) != std::string_view::npos)
        text.remove_prefix(1);
    while (!text.empty() && blanks.find(text.back()) != std::string_view::npos)
        text.remove_suffix(1);
    return text;
}

struct Values {
    std::optional<std::string_view> of[ATTRIBUTE_COUNT];
    std::optional<std::string_view> productName;

    bool AdapterListed() const { return of[0].has_value(); }

    // What the attribute reads as text: absent, or longer than any value.
    std::optional<std::string_view> Text(std::string_view name) const {
        for (std::size_t i = 0; i < ATTRIBUTE_COUNT; ++i) {
            const std::string_view attribute = ATTRIBUTES[i];
            if (attribute.substr(attribute.find('/') + 1) == name) return Trimmed(of[i]);
        }
        return std::nullopt;
    }

    std::optional<std::int64_t> Number(std::string_view name, std::int64_t lowest,
                                       std::int64_t highest) const {
        const std::optional<std::string_view> text = Text(name);
        if (!text || text->empty()) return std::nullopt;
        std::string_view digits = *text;
        const bool negative = digits.front() == '-';
        if (negative) {
            if (lowest >= 0) return std::nullopt;
            digits.remove_prefix(1);
        }
        if (digits.empty()) return std::nullopt;
        WideSigned value = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9') return std::nullopt;
            value = std::min<WideSigned>(value * 10 + (c - '0'), static_cast<WideSigned>(1) << 100);
        }
        if (negative) value = -value;
        if (value < lowest || value > highest) return std::nullopt;
        return static_cast<std::int64_t>(value);
    }
};

std::uint32_t Drain(const Values& values, const char* amountName, std::int64_t rate,
                    std::int64_t minimum) {
    const std::optional<std::int64_t> amount = values.Number(amountName, 0, LARGEST);
    const std::uint64_t magnitude =
        rate < 0 ? static_cast<std::uint64_t>(-rate) : static_cast<std::uint64_t>(rate);
    if (!amount || magnitude == 0 || magnitude < static_cast<std::uint64_t>(minimum) ||
        magnitude > UINT64_MAX / 3600) {
        return LIFETIME_UNKNOWN;
    }
    const WideUnsigned seconds = static_cast<WideUnsigned>(*amount) * 3600 / magnitude;
    return seconds > 0xFFFFFFFEu ? LIFETIME_UNKNOWN : static_cast<std::uint32_t>(seconds);
}

// The first family that has a rate and yields a lifetime: energy, then charge.
std::uint32_t Lifetime(const Values& values, const char* energyName, const char* chargeName) {
    if (const auto power = values.Number("power_now", -LARGEST, LARGEST)) {
        const std::uint32_t seconds = Drain(values, energyName, *power, 10'000);
        if (seconds != LIFETIME_UNKNOWN) return seconds;
    }
    if (const auto current = values.Number("current_now", -LARGEST, LARGEST)) {
        return Drain(values, chargeName, *current, 1'000);
    }
    return LIFETIME_UNKNOWN;
}

std::uint8_t Level(const Values& values, std::uint8_t percent) {
    const std::optional<std::string_view> level = values.Text("capacity_level");
    if (level == "Full" || level == "High" || level == "Normal") return POWER_FLAG_HIGH;
    if (level == "Low") return POWER_FLAG_LOW;
    if (level == "Critical") return POWER_FLAG_CRITICAL;
    if (level == "Unknown" || percent == PERCENT_UNKNOWN) return 0;
    if (percent <= 5) return POWER_FLAG_CRITICAL;
    return percent <= 20 ? POWER_FLAG_LOW : POWER_FLAG_HIGH;
}

// The first family with a "now" of 0 or more and a "full" above 0: the
// quotient in per cent, to the nearest whole, up to 100.
std::optional<std::uint8_t> PercentOfFull(const Values& values) {
    for (const auto& [nowName, fullName] :
         {std::pair{"energy_now", "energy_full"}, std::pair{"charge_now", "charge_full"}}) {
        const std::optional<std::int64_t> now = values.Number(nowName, 0, LARGEST);
        const std::optional<std::int64_t> full = values.Number(fullName, 1, LARGEST);
        if (!now || !full) continue;
        const WideUnsigned hundredfold = static_cast<WideUnsigned>(*now) * 100;
        const WideUnsigned whole = static_cast<WideUnsigned>(*full);
        WideUnsigned percent = hundredfold / whole;
        if (hundredfold % whole * 2 >= whole) ++percent;  // a half or more rounds up
        return static_cast<std::uint8_t>(std::min<WideUnsigned>(percent, 100));
    }
    return std::nullopt;
}

// An Apple laptop: the name reads as a value, holds no control character
// and starts with "MacBook".
bool CapacityAgainstDesignSize(const Values& values) {
    const std::optional<std::string_view> name = Trimmed(values.productName);
    if (!name || !name->starts_with("MacBook")) return false;
    return std::none_of(name->begin(), name->end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::uint8_t Percent(const Values& values) {
    const std::optional<std::int64_t> capacity = values.Number("capacity", 0, LARGEST);
    const std::uint8_t fromCapacity =
        capacity ? static_cast<std::uint8_t>(std::min<std::int64_t>(*capacity, 100))
                 : PERCENT_UNKNOWN;
    if (capacity && !CapacityAgainstDesignSize(values)) return fromCapacity;
    return PercentOfFull(values).value_or(fromCapacity);
}

bool SameRecord(const PowerStatusRecord& a, const PowerStatusRecord& b) {
    return a.externalPower == b.externalPower && a.batteryFlags == b.batteryFlags &&
           a.batteryPercent == b.batteryPercent && a.batteryLifeSeconds == b.batteryLifeSeconds &&
           a.batteryFullLifeSeconds == b.batteryFullLifeSeconds && a.backupFlags == b.backupFlags &&
           a.backupPercent == b.backupPercent && a.backupLifeSeconds == b.backupLifeSeconds &&
           a.backupFullLifeSeconds == b.backupFullLifeSeconds;
}

void CheckUeventsReadAsFiles(const Values& values) {
    const std::string folder = SUPPLIES;
    std::string uevents[2] = {"POWER_SUPPLY_NAME=AC\nPOWER_SUPPLY_TYPE=Mains\n",
                              "POWER_SUPPLY_NAME=BAT0\nPOWER_SUPPLY_TYPE=Battery\n"};
    for (std::size_t i = 0; i < ATTRIBUTE_COUNT; ++i) {
        if (!values.of[i]) continue;
        const std::string_view attribute = ATTRIBUTES[i];
        const std::string_view line = values.of[i]->substr(0, values.of[i]->find('\n'));
        fuzz::WriteFile(folder + std::string(attribute), std::string(line) + "\n");
        std::string key(attribute.substr(attribute.find('/') + 1));
        std::transform(key.begin(), key.end(), key.begin(), [](char c) {
            return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        });
        uevents[attribute.starts_with("AC/") ? 0 : 1] +=
            "POWER_SUPPLY_" + key + "=" + std::string(line) + "\n";
    }
    PowerStatusRecord fromFiles;
    FUZZ_CHECK(QueryPowerStatus(&fromFiles, true));

    if (values.AdapterListed()) fuzz::WriteFile(folder + "AC/uevent", uevents[0]);
    fuzz::WriteFile(folder + "BAT0/uevent", uevents[1]);
    for (const char* attribute : ATTRIBUTES) fuzz::RemoveFile(folder + attribute);
    fuzz::RemoveFile(folder + "AC/type");
    fuzz::RemoveFile(folder + "BAT0/type");
    PowerStatusRecord fromUevents;
    FUZZ_CHECK(QueryPowerStatus(&fromUevents, true));
    FUZZ_CHECK(SameRecord(fromFiles, fromUevents));
    fuzz::RemoveFile(folder + "AC/uevent");
    fuzz::RemoveFile(folder + "BAT0/uevent");
}

void CheckRecord(const Values& values, const PowerStatusRecord& record);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    Values values;
    fuzz::PreparedFolder();
    for (std::size_t i = 0; i <= ATTRIBUTE_COUNT; ++i) {
        const std::string path =
            i < ATTRIBUTE_COUNT ? std::string(SUPPLIES) + ATTRIBUTES[i] : PRODUCT_NAME;
        std::optional<std::string_view>& value =
            i < ATTRIBUTE_COUNT ? values.of[i] : values.productName;
        const std::size_t end = rest.find('\xFF');
        if (rest.empty() || end == 0) {
            fuzz::RemoveFile(path);
        } else {
            value = rest.substr(0, end);
            fuzz::WriteFile(path, *value);
        }
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    if (values.AdapterListed()) {
        fuzz::WriteFile(std::string(SUPPLIES) + "AC/type", "Mains\n");
    } else {
        fuzz::RemoveFile(std::string(SUPPLIES) + "AC");  // empty by now
    }
    fuzz::WriteFile(std::string(SUPPLIES) + "BAT0/type", "Battery\n");

    PowerStatusRecord record;
    FUZZ_CHECK(QueryPowerStatus(&record, true));
    CheckRecord(values, record);
    CheckUeventsReadAsFiles(values);
    return 0;
}

namespace {

std::uint8_t ExternalPower(const Values& values, bool systemBattery) {
    if (values.AdapterListed()) {
        const std::optional<std::int64_t> online = values.Number("online", 0, 2);
        return !online        ? EXTERNAL_POWER_UNKNOWN
               : *online != 0 ? EXTERNAL_POWER_ON
                              : EXTERNAL_POWER_OFF;
    }
    const std::optional<std::string_view> status = values.Text("status");
    if (systemBattery && status == "Charging") return EXTERNAL_POWER_ON;
    if (systemBattery && status == "Discharging") return EXTERNAL_POWER_OFF;
    return EXTERNAL_POWER_UNKNOWN;
}

void CheckRecord(const Values& values, const PowerStatusRecord& record) {
    const bool system =
        values.Text("scope") != "Device" && values.Number("present", 0, LARGEST) != 0;
    FUZZ_CHECK(record.externalPower == ExternalPower(values, system));
    FUZZ_CHECK(record.backupFlags == POWER_FLAG_NO_BATTERY);

    if (!system) {
        FUZZ_CHECK(record.batteryFlags == POWER_FLAG_NO_BATTERY);
        FUZZ_CHECK(record.batteryPercent == PERCENT_UNKNOWN);
        return;
    }
    const std::uint8_t percent = Percent(values);
    FUZZ_CHECK(record.batteryPercent == percent);
    const std::optional<std::string_view> status = values.Text("status");
    FUZZ_CHECK(record.batteryFlags ==
               (Level(values, percent) | (status == "Charging" ? POWER_FLAG_CHARGING : 0)));
    std::uint32_t life = LIFETIME_UNKNOWN;
    std::uint32_t fullLife = LIFETIME_UNKNOWN;
    if (status == "Discharging") {
        const auto estimate = values.Number("time_to_empty_now", 0, 0xFFFFFFFE);
        life = estimate ? static_cast<std::uint32_t>(*estimate)
                        : Lifetime(values, "energy_now", "charge_now");
        fullLife = Lifetime(values, "energy_full", "charge_full");
    }
    FUZZ_CHECK(record.batteryLifeSeconds == life);
    FUZZ_CHECK(record.batteryFullLifeSeconds == fullLife);
}

}  // namespace
