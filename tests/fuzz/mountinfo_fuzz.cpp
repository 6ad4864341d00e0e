// The root's volumes from any mount table, over a sysfs with an SD card
// (179:1), a USB stick (8:17) and a fixed disk (8:1). Property: the volumes
// listed are exactly those of a reference reading of the table: lines of
// single-blank fields with numbers where numbers belong and a "-" before
// the type and source, mount points decoded from their octal escapes, on a
// removable device or under /media/ or /run/media/, named by their last
// part when that is UTF-8 that fits a root entry. A field may be empty. The root's ordinary
// folder comes first.
#include <limits.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/line_reader.h"
#include "platform/linux/utf16.h"
#include "platform/root_enumeration.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/prepared_folder.h"

namespace {

void PrepareDevices() {
    const std::string sd = "sys/devices/platform/soc/mmc0/mmc_host/mmc0/mmc0:0001";
    fuzz::WriteFile(sd + "/type", "SD\n");
    fuzz::WriteFile(sd + "/block/mmcblk0/removable", "0\n");
    fuzz::Link(sd + "/block/mmcblk0/device", "../../../mmc0:0001");
    fuzz::WriteFile(sd + "/block/mmcblk0/mmcblk0p1/partition", "1\n");
    fuzz::Link("sys/dev/block/179:1",
               "../../devices/platform/soc/mmc0/mmc_host/mmc0/mmc0:0001/block/mmcblk0/mmcblk0p1");
    const std::string usb =
        "sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb";
    fuzz::WriteFile(usb + "/removable", "1\n");
    fuzz::WriteFile(usb + "/sdb1/partition", "1\n");
    fuzz::Link("sys/dev/block/8:17", "../../" + usb.substr(4) + "/sdb1");
    const std::string sata =
        "sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda";
    fuzz::WriteFile(sata + "/removable", "0\n");
    fuzz::WriteFile(sata + "/sda1/partition", "1\n");
    fuzz::Link("sys/dev/block/8:1", "../../" + sata.substr(4) + "/sda1");
}

std::optional<std::uint32_t> Number(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(c - '0'), 1ull << 40);
    }
    if (value > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::optional<std::string> Decode(std::string_view escaped) {
    std::string decoded;
    for (std::size_t at = 0; at < escaped.size(); ++at) {
        char c = escaped[at];
        if (c == '\0') return std::nullopt;
        if (c == '\\') {
            if (escaped.size() - at < 4) return std::nullopt;
            int value = 0;
            for (std::size_t i = 1; i <= 3; ++i) {
                if (escaped[at + i] < '0' || escaped[at + i] > '7') return std::nullopt;
                value = value * 8 + (escaped[at + i] - '0');
            }
            if (value == 0 || value > 0xFF) return std::nullopt;
            c = static_cast<char>(value);
            at += 3;
        }
        decoded += c;
    }
    if (decoded.size() >= PATH_MAX) return std::nullopt;
    return decoded;
}

// The name the line's mount shows as, or nothing when it is no volume.
std::optional<std::u16string> ReferenceVolume(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t blank = line.find(' ', start);
        fields.push_back(line.substr(start, blank - start));
        if (blank == std::string_view::npos) break;
        start = blank + 1;
    }
    // Six fields, optional ones, "-", type and source, any of them empty;
    // after the source anything goes.
    if (fields.size() < 6) return std::nullopt;
    std::size_t separator = 6;
    for (;; ++separator) {
        if (separator >= fields.size()) return std::nullopt;
        if (fields[separator] == "-") break;
    }
    if (separator + 2 >= fields.size()) return std::nullopt;

    const std::size_t colon = fields[2].find(':');
    if (!Number(fields[0]) || colon == std::string_view::npos) return std::nullopt;
    const std::optional<std::uint32_t> major = Number(fields[2].substr(0, colon));
    const std::optional<std::uint32_t> minor = Number(fields[2].substr(colon + 1));
    if (!major || !minor || !fields[4].starts_with('/')) return std::nullopt;
    const std::optional<std::string> mountPoint = Decode(fields[4]);
    if (!mountPoint) return std::nullopt;
    const std::string name = mountPoint->substr(mountPoint->rfind('/') + 1);
    if (name.empty()) return std::nullopt;
    const bool media = (mountPoint->starts_with("/media/") && mountPoint->size() > 7) ||
                       (mountPoint->starts_with("/run/media/") && mountPoint->size() > 11);
    const bool removable = (*major == 179 && *minor == 1) || (*major == 8 && *minor == 17);
    if (!media && !removable) return std::nullopt;
    char16_t units[platform::PATH_BUFFER_CHARS];
    if (!platform::linux_status::Utf8ToUtf16(name, units, std::size(units))) return std::nullopt;
    return std::u16string(units);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool prepared = (PrepareDevices(), true);
    (void)prepared;
    const std::string_view table(reinterpret_cast<const char*>(data), size);
    fuzz::WriteFile("proc/self/mountinfo", table);

    std::vector<std::u16string> expected;
    for (std::string_view rest = table; !rest.empty();) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.size() >= platform::linux_status::LINE_BUFFER_BYTES) continue;
        if (std::optional<std::u16string> name = ReferenceVolume(line)) expected.push_back(*name);
    }

    platform::FindDataRecord entry;
    std::memset(&entry, 0xA5, sizeof entry);
    const platform::FindHandle root = platform::FindFirstEntry(u"/*.*", &entry);
    FUZZ_CHECK(root != platform::InvalidFindHandle());
    FUZZ_CHECK(entry.attributes == platform::ATTR_DIRECTORY);
    std::vector<std::u16string> listed;
    while (platform::FindNextEntry(root, &entry)) {
        FUZZ_CHECK(entry.attributes == (platform::ATTR_DIRECTORY | platform::ATTR_TEMPORARY));
        FUZZ_CHECK(std::find(std::begin(entry.name), std::end(entry.name), u'\0') !=
                   std::end(entry.name));
        listed.emplace_back(entry.name);
    }
    FUZZ_CHECK(platform::CloseEnumeration(root));
    FUZZ_CHECK(listed == expected);
    return 0;
}
