// The mounts of removable media, taken from <procfs>/self/mountinfo in
// mount order. They are what the root directory shows as volumes and what
// the free-space query resolves a volume's name back to.
#pragma once

#include <array>
#include <climits>
#include <cstddef>
#include <span>
#include <vector>

#include "platform/linux/line_reader.h"
#include "platform/linux/removable_disk.h"
#include "platform/root_enumeration.h"

namespace platform::linux_status {

struct RemovableMount {
    // Where it is mounted, escapes decoded; NUL-terminated.
    std::array<char, PATH_MAX> mountPoint;
    // The last part of the mount point in UTF-16, NUL-terminated, never
    // empty; it names the volume's root entry.
    std::array<char16_t, PATH_BUFFER_CHARS> name;
};

// Counted: block devices on removable media (see RemovableDiskJudge) and any
// mount under /media/ or /run/media/, where desktops mount what the user
// plugs in. Skipped: malformed lines, mount points that do not decode (a raw
// NUL included) or are too long, names that are not UTF-8 or do not fit a
// root entry.
class RemovableMountReader {
public:
    // Reads the table open as `table` from where it stands; the caller
    // keeps it open while reading. The sysfs root is read now.
    explicit RemovableMountReader(int table);

    // Fills `mount` with the next removable mount; false at the end.
    bool Next(RemovableMount& mount);

    // True when the mounts given may not be all: the table could not be
    // read to its end, or a mount's device could not be judged.
    bool Failed() const { return failed_; }

private:
    LineReader lines_;
    RemovableDiskJudge disks_;
    bool failed_ = false;
};

// The removable mounts now, in mount order: the table is read again only
// when it may have changed since the last call. The kernel marks a change
// of its own table (poll gives POLLPRI), so while the mounts stay, a call
// costs one poll; a table in a prepared tree is read at every call. Null
// when the table could not be read whole. Valid until the next call.
const std::vector<RemovableMount>* CurrentRemovableMounts();

// The removable mounts as CurrentRemovableMounts last gave them, without
// looking at the table; empty before the first call or after a failed one.
std::span<const RemovableMount> LastRemovableMounts();

}  // namespace platform::linux_status
