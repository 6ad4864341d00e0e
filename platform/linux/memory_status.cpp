// Program memory from <procfs>/meminfo: the installed memory and what can
// still be given to programs without swapping (MemAvailable, which counts
// reclaimable caches; MemFree would show a busy machine as nearly full).

#include "platform/memory_status.h"

#include <fcntl.h>

#include <climits>
#include <cstdio>
#include <limits>
#include <optional>
#include <string_view>

#include "platform/linux/attribute_file.h"
#include "platform/linux/byte_count.h"
#include "platform/linux/line_reader.h"
#include "platform/linux/status_roots.h"
#include "platform/linux/volume_space.h"
#include "platform/shared/file_descriptor.h"

namespace platform {
namespace {

using linux_status::ParseInteger;
using linux_status::TrimBlanks;

struct MemoryFigures {
    std::optional<std::uint64_t> totalBytes;
    std::optional<std::uint64_t> availableBytes;
};

// "<count> kB" as bytes; nothing for any other form or an overflow.
std::optional<std::uint64_t> ParseKilobytes(std::string_view value) {
    value = TrimBlanks(value);
    if (!value.ends_with(" kB")) return std::nullopt;
    const std::optional<std::int64_t> kilobytes = ParseInteger(
        TrimBlanks(value.substr(0, value.size() - 3)), 0, std::numeric_limits<std::int64_t>::max());
    if (!kilobytes) return std::nullopt;
    return linux_status::BytesOf(static_cast<std::uint64_t>(*kilobytes), 1024);
}

// The first line of each field counts; a field given twice is not the
// kernel's table, and its first value is as good as any.
void NoteMemoryLine(std::string_view line, MemoryFigures& figures) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return;
    const std::string_view field = line.substr(0, colon);
    std::optional<std::uint64_t>* target = nullptr;
    if (field == "MemTotal") target = &figures.totalBytes;
    if (field == "MemAvailable") target = &figures.availableBytes;
    if (target == nullptr || target->has_value()) return;
    *target = ParseKilobytes(line.substr(colon + 1));
    if (!target->has_value()) *target = 0;  // seen but unreadable: stays unknown
}

MemoryFigures ReadMemoryFigures() {
    MemoryFigures figures;
    char path[PATH_MAX];
    const std::string_view root = linux_status::ProcfsRoot();
    const int length = std::snprintf(path, sizeof path, "%.*s/meminfo",
                                     static_cast<int>(root.size()), root.data());
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof path) return figures;
    const linux_status::FileDescriptor table = linux_status::OpenRegularFile(AT_FDCWD, path);
    if (!table.valid()) return figures;
    linux_status::LineReader lines(table.get());
    while (const std::optional<std::string_view> line = lines.Next()) {
        NoteMemoryLine(*line, figures);
        if (figures.totalBytes && figures.availableBytes) break;
    }
    return figures;
}

// Per cent of the memory in use, as the record's load field has it.
std::uint32_t MemoryLoad(std::uint64_t total, std::uint64_t available) {
    if (total == 0 || available > total) return 0;
    return static_cast<std::uint32_t>(100.0 * static_cast<double>(total - available) /
                                      static_cast<double>(total));
}

}  // namespace

void QueryMemoryStatus(MemoryStatusRecord* status) {
    if (status == nullptr) return;
    // The memory survey measures the volumes right after these figures.
    linux_status::MeasureVolumesAhead();
    const MemoryFigures figures = ReadMemoryFigures();
    *status = MemoryStatusRecord{};
    status->length = sizeof(MemoryStatusRecord);
    status->totalPhysical = figures.totalBytes.value_or(0);
    status->availablePhysical = figures.availableBytes.value_or(0);
    status->memoryLoad = MemoryLoad(status->totalPhysical, status->availablePhysical);
}

}  // namespace platform
