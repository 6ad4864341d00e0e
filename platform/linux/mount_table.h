// The mounts of removable media, taken from <procfs>/self/mountinfo in
// mount order. They are what the root directory shows as volumes and what
// the free-space query resolves a volume's name back to.
#pragma once

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
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
    // The kernel's id of the mount, for life; 0 when it was read from a
    // table (which gives only ids that are used again).
    std::uint64_t id = 0;
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
// costs one poll; after a change, a kernel that lists its mounts one by one
// is asked for the new ones and about the volumes only, whatever the
// number of mounts. A table in a prepared tree is read at every call. Null
// when the table could not be read whole. Valid until the next call.
const std::vector<RemovableMount>* CurrentRemovableMounts();

// The removable mounts as CurrentRemovableMounts last gave them, without
// looking at the table; empty before the first call or after a failed one.
std::span<const RemovableMount> LastRemovableMounts();

}  // namespace platform::linux_status
