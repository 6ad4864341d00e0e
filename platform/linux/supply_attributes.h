// The attributes of one power supply that the power status reads. The
// kernel gives them all in the supply's `uevent` file, one
// POWER_SUPPLY_<NAME>=<value> line each, in one read; when that file is
// missing, cannot be read or is not in the kernel's form, each attribute is
// read from a file of its own. Either way an attribute reads the same: the
// kernel writes the uevent line from the very text the attribute's file
// holds, leaving out only attributes whose driver has no value at the
// moment, which read as unknown from their files too.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/linux/attribute_file.h"
#include "platform/shared/file_descriptor.h"

namespace platform::linux_status {

enum class SupplyAttribute {
    Type,
    Scope,
    Present,
    Online,
    Capacity,
    CapacityLevel,
    Status,
    TimeToEmptyNow,
    EnergyNow,
    EnergyFull,
    PowerNow,
    ChargeNow,
    ChargeFull,
    CurrentNow,  // the last
};
constexpr std::size_t SUPPLY_ATTRIBUTE_COUNT =
    static_cast<std::size_t>(SupplyAttribute::CurrentNow) + 1;

// The kernel's uevent text is at most a page; a longer file is not one.
constexpr std::size_t UEVENT_BUFFER_BYTES = 4096;

class SupplyAttributes {
public:
    // The supply `name` in the class folder open as `classFolder`; both
    // must outlive this. A supply gone since the listing, or an entry that
    // is no folder, has every attribute missing.
    SupplyAttributes(int classFolder, const char* name);

    // The attribute's text, trimmed, as ReadAttributeText gives it; `buffer`
    // holds it when it comes from a file of its own.
    std::optional<std::string_view> Text(SupplyAttribute attribute, std::span<char> buffer,
                                         NoValue* why = nullptr);
    std::optional<std::int64_t> Integer(SupplyAttribute attribute, std::int64_t lowest,
                                        std::int64_t highest);
    bool Is(SupplyAttribute attribute, std::string_view expected);

private:
    bool ReadUevent();
    // The supply's folder, opened when the first attribute needs its own
    // file; nothing, with `why` set, when it cannot be opened.
    std::optional<int> Folder(NoValue* why);

    int classFolder_;
    const char* name_;
    FileDescriptor folder_;
    NoValue folderFailure_ = NoValue::Missing;
    bool folderTried_ = false;
    bool fromUevent_ = false;
    std::array<std::optional<std::string_view>, SUPPLY_ATTRIBUTE_COUNT> values_{};
    std::array<char, UEVENT_BUFFER_BYTES> uevent_;
};

// Splits a uevent text into the supply's attributes; false when it is not
// in the kernel's form (a line without '=', a known attribute given twice,
// no type), and the files must be read instead. Other keys are passed over.
bool ParseSupplyUevent(std::string_view text,
                       std::array<std::optional<std::string_view>, SUPPLY_ATTRIBUTE_COUNT>& values);

}  // namespace platform::linux_status
