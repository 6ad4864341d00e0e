// Program memory from any meminfo. Property: the record holds what a
// reference reading of the table finds: the first MemTotal and MemAvailable
// lines, each "<blanks><digits><blanks> kB" in bytes, 0 for anything else,
// lines too long for the reader's buffer skipped whole.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/line_reader.h"
#include "platform/memory_status.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/prepared_folder.h"

namespace {

// Wide enough for any product of two 64-bit numbers.
__extension__ using Wide = unsigned __int128;

constexpr std::string_view BLANKS = " \t\r\n";

std::string_view Trim(std::string_view text) {
    while (!text.empty() && BLANKS.find(text.front()) != std::string_view::npos)
        text.remove_prefix(1);
    while (!text.empty() && BLANKS.find(text.back()) != std::string_view::npos)
        text.remove_suffix(1);
    return text;
}

// "<count> kB" in bytes, or 0.
std::uint64_t ReferenceBytes(std::string_view value) {
    value = Trim(value);
    if (!value.ends_with(" kB")) return 0;
    const std::string_view digits = Trim(value.substr(0, value.size() - 3));
    if (digits.empty()) return 0;
    Wide number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return 0;
        number = std::min<Wide>(number * 10 + static_cast<unsigned>(c - '0'), static_cast<Wide>(1)
                                                                                  << 100);
    }
    if (number > static_cast<Wide>(INT64_MAX)) return 0;
    const Wide bytes = number * 1024;
    return bytes > UINT64_MAX ? 0 : static_cast<std::uint64_t>(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view table(reinterpret_cast<const char*>(data), size);
    fuzz::WriteFile("proc/meminfo", table);

    std::optional<std::uint64_t> total;
    std::optional<std::uint64_t> available;
    std::string_view rest = table;
    while (!rest.empty() && !(total && available)) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.size() >= platform::linux_status::LINE_BUFFER_BYTES) continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view field = line.substr(0, colon);
        std::optional<std::uint64_t>* target = field == "MemTotal"       ? &total
                                               : field == "MemAvailable" ? &available
                                                                         : nullptr;
        if (target != nullptr && !*target) *target = ReferenceBytes(line.substr(colon + 1));
    }

    platform::MemoryStatusRecord record{};
    record.length = sizeof record;
    platform::QueryMemoryStatus(&record);
    FUZZ_CHECK(record.length == sizeof record);
    FUZZ_CHECK(record.totalPhysical == total.value_or(0));
    FUZZ_CHECK(record.availablePhysical == available.value_or(0));
    FUZZ_CHECK(record.memoryLoad <= 100);
    return 0;
}
