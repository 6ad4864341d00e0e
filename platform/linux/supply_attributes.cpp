#include "platform/linux/supply_attributes.h"

#include <fcntl.h>

#include <cerrno>
#include <climits>
#include <cstdio>

namespace platform::linux_status {
namespace {

struct AttributeNames {
    std::string_view ueventKey;  // after "POWER_SUPPLY_"
    const char* fileName;
};

// In the order of SupplyAttribute.
constexpr std::array<AttributeNames, SUPPLY_ATTRIBUTE_COUNT> NAMES{{
    {"TYPE", "type"},
    {"SCOPE", "scope"},
    {"PRESENT", "present"},
    {"ONLINE", "online"},
    {"CAPACITY", "capacity"},
    {"CAPACITY_LEVEL", "capacity_level"},
    {"STATUS", "status"},
    {"TIME_TO_EMPTY_NOW", "time_to_empty_now"},
    {"ENERGY_NOW", "energy_now"},
    {"ENERGY_FULL", "energy_full"},
    {"POWER_NOW", "power_now"},
    {"CHARGE_NOW", "charge_now"},
    {"CHARGE_FULL", "charge_full"},
    {"CURRENT_NOW", "current_now"},
}};

static_assert(NAMES.back().fileName != nullptr, "a name for every attribute");

constexpr std::string_view KEY_PREFIX = "POWER_SUPPLY_";

std::size_t IndexOf(SupplyAttribute attribute) { return static_cast<std::size_t>(attribute); }

void Note(NoValue* why, NoValue reason) {
    if (why != nullptr) *why = reason;
}

}  // namespace

bool ParseSupplyUevent(
    std::string_view text,
    std::array<std::optional<std::string_view>, SUPPLY_ATTRIBUTE_COUNT>& values) {
    std::array<std::optional<std::string_view>, SUPPLY_ATTRIBUTE_COUNT> found{};
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) return false;
        const std::string_view key = line.substr(0, equals);
        if (!key.starts_with(KEY_PREFIX)) continue;
        for (std::size_t index = 0; index < NAMES.size(); ++index) {
            if (key.substr(KEY_PREFIX.size()) != NAMES[index].ueventKey) continue;
            // Given twice, neither value can be trusted over the file.
            if (found[index]) return false;
            found[index] = line.substr(equals + 1);
        }
    }
    if (!found[IndexOf(SupplyAttribute::Type)]) return false;
    values = found;
    return true;
}

SupplyAttributes::SupplyAttributes(int classFolder, const char* name)
    : classFolder_(classFolder), name_(name) {
    fromUevent_ = ReadUevent();
}

bool SupplyAttributes::ReadUevent() {
    char path[NAME_MAX + sizeof "/uevent"];
    const int length = std::snprintf(path, sizeof path, "%s/uevent", name_);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof path) return false;
    const FileDescriptor file = OpenRegularFile(classFolder_, path);
    if (!file.valid()) return false;
    const std::optional<std::size_t> count = ReadAtMost(file.get(), uevent_);
    if (!count || *count == uevent_.size()) return false;
    return ParseSupplyUevent(std::string_view(uevent_.data(), *count), values_);
}

std::optional<int> SupplyAttributes::Folder(NoValue* why) {
    if (!folderTried_) {
        folderTried_ = true;
        folder_ = FileDescriptor(
            ::openat(classFolder_, name_, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
        if (!folder_.valid())
            folderFailure_ = IsMissing(errno) ? NoValue::Missing : NoValue::Unreadable;
    }
    if (!folder_.valid()) {
        Note(why, folderFailure_);
        return std::nullopt;
    }
    return folder_.get();
}

std::optional<std::string_view> SupplyAttributes::Text(SupplyAttribute attribute,
                                                       std::span<char> buffer, NoValue* why) {
    if (!fromUevent_) {
        const std::optional<int> folder = Folder(why);
        if (!folder) return std::nullopt;
        return ReadAttributeText(*folder, NAMES[IndexOf(attribute)].fileName, buffer, why);
    }
    const std::optional<std::string_view> value = values_[IndexOf(attribute)];
    if (!value) {
        Note(why, NoValue::Missing);
        return std::nullopt;
    }
    // Its file, the value and a line end, would not fit the buffer.
    if (value->size() + 1 >= buffer.size()) {
        Note(why, NoValue::Unreadable);
        return std::nullopt;
    }
    return TrimBlanks(*value);
}

std::optional<std::int64_t> SupplyAttributes::Integer(SupplyAttribute attribute,
                                                      std::int64_t lowest, std::int64_t highest) {
    std::array<char, ATTRIBUTE_BUFFER_BYTES> buffer;
    const std::optional<std::string_view> text = Text(attribute, buffer);
    if (!text) return std::nullopt;
    return ParseInteger(*text, lowest, highest);
}

bool SupplyAttributes::Is(SupplyAttribute attribute, std::string_view expected) {
    std::array<char, ATTRIBUTE_BUFFER_BYTES> buffer;
    const std::optional<std::string_view> text = Text(attribute, buffer);
    return text && *text == expected;
}

}  // namespace platform::linux_status
