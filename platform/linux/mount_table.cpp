#include "platform/linux/mount_table.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <poll.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/attribute_file.h"
#include "platform/shared/file_descriptor.h"
#include "platform/linux/status_roots.h"
#include "platform/linux/utf16.h"

namespace platform::linux_status {
namespace {

// The fields of one mountinfo line that the volumes need.
struct MountLine {
    std::uint32_t mountId;
    std::uint32_t major;
    std::uint32_t minor;
    std::string_view escapedMountPoint;
};

// Fields separated by single blanks. A field may be empty: the kernel
// writes a source given as '' (`mount -t tmpfs '' DIR`, some FUSE file
// systems) as nothing between two blanks. Whether a line is used is for its
// structure to decide: the fields it must have, and each one's form.
class FieldSplitter {
public:
    explicit FieldSplitter(std::string_view line) : rest_(line) {}

    std::optional<std::string_view> Next() {
        if (finished_) return std::nullopt;
        const std::size_t blank = rest_.find(' ');
        const std::string_view field = rest_.substr(0, blank);
        if (blank == std::string_view::npos) {
            finished_ = true;
        } else {
            rest_.remove_prefix(blank + 1);
        }
        return field;
    }

private:
    std::string_view rest_;
    bool finished_ = false;
};

std::optional<std::uint32_t> ParseNumber(std::string_view text) {
    const std::optional<std::int64_t> value =
        ParseInteger(text, 0, std::numeric_limits<std::uint32_t>::max());
    if (!value) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

// "MAJOR:MINOR".
bool ParseDeviceNumber(std::string_view text, MountLine& line) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return false;
    const std::optional<std::uint32_t> major = ParseNumber(text.substr(0, colon));
    const std::optional<std::uint32_t> minor = ParseNumber(text.substr(colon + 1));
    if (!major || !minor) return false;
    line.major = *major;
    line.minor = *minor;
    return true;
}

// "ID PARENT MAJ:MIN ROOT MOUNT-POINT OPTIONS [OPTIONAL...] - TYPE SOURCE
// SUPER-OPTIONS". A line that lacks any field up to SOURCE is refused whole;
// the fields this reader does not use may be empty.
std::optional<MountLine> ParseMountLine(std::string_view text) {
    FieldSplitter fields(text);
    std::array<std::string_view, 6> leading;
    for (std::string_view& field : leading) {
        const std::optional<std::string_view> next = fields.Next();
        if (!next) return std::nullopt;
        field = *next;
    }
    for (;;) {
        const std::optional<std::string_view> optional = fields.Next();
        if (!optional) return std::nullopt;
        if (*optional == "-") break;
    }
    if (!fields.Next() || !fields.Next()) return std::nullopt;  // type and source

    MountLine line{};
    const std::optional<std::uint32_t> mountId = ParseNumber(leading[0]);
    if (!mountId || !ParseDeviceNumber(leading[2], line)) return std::nullopt;
    line.mountId = *mountId;
    line.escapedMountPoint = leading[4];
    if (!line.escapedMountPoint.starts_with('/')) return std::nullopt;
    return line;
}

constexpr bool IsOctalDigit(char c) {
    return c >= '0' && c <= '7';
}

// The kernel writes blank, tab, line end and backslash in a mount point as
// a backslash and three octal digits (\040, \011, \012, \134). Any other
// backslash, or one that would make a NUL, means the line is not what the
// kernel wrote, and so does a raw NUL, which would cut the path short and
// measure another folder. The result is NUL-terminated in `target`.
bool DecodeMountPoint(std::string_view escaped, std::span<char> target) {
    std::size_t written = 0;
    for (std::size_t at = 0; at < escaped.size(); ++at) {
        char c = escaped[at];
        if (c == '\0') return false;
        if (c == '\\') {
            const std::string_view digits = escaped.substr(at + 1, 3);
            if (digits.size() != 3 || !IsOctalDigit(digits[0]) || !IsOctalDigit(digits[1]) ||
                !IsOctalDigit(digits[2])) {
                return false;
            }
            const int value = (digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0');
            if (value == 0 || value > 0xFF) return false;
            c = static_cast<char>(static_cast<unsigned char>(value));
            at += 3;
        }
        if (written + 1 >= target.size()) return false;  // keep room for the NUL
        target[written++] = c;
    }
    target[written] = '\0';
    return true;
}

bool IsUnderMediaFolder(std::string_view mountPoint) {
    for (const std::string_view folder :
         {std::string_view("/media/"), std::string_view("/run/media/")}) {
        if (mountPoint.starts_with(folder) && mountPoint.size() > folder.size()) return true;
    }
    return false;
}

// What sysfs said of a mount's device, kept while the mount stays: the
// verdict cannot change for a mounted device, and judging it costs a link
// read and several attribute reads at every refresh. A mount is known by its
// table's identity, its id and its device number: the kernel gives a new
// mount a new id while the old one exists.
struct KnownMount {
    std::string sysfsRoot;
    std::uint32_t mountId;
    std::uint32_t major;
    std::uint32_t minor;
    bool removable;
};

// Enough for any real mount table's block devices; when full, it starts
// again rather than grow with mounts that came and went.
constexpr std::size_t KNOWN_MOUNTS = 64;

std::vector<KnownMount>& KnownMounts() {
    static std::vector<KnownMount> known;
    return known;
}

// Nothing when sysfs could not be read; that is not kept, so the next
// enumeration judges again.
std::optional<bool> IsRemovableMount(const RemovableDiskJudge& disks, const MountLine& line) {
    const std::string_view root = SysfsRoot();
    auto& known = KnownMounts();
    for (const KnownMount& mount : known) {
        if (mount.mountId == line.mountId && mount.major == line.major &&
            mount.minor == line.minor && mount.sysfsRoot == root) {
            return mount.removable;
        }
    }
    const std::optional<bool> removable = disks.IsRemovable(line.major, line.minor);
    if (!removable) return std::nullopt;
    if (known.size() >= KNOWN_MOUNTS) known.clear();
    known.push_back({std::string(root), line.mountId, line.major, line.minor, *removable});
    return removable;
}

}  // namespace

RemovableMountReader::RemovableMountReader(int table) : lines_(table), disks_(SysfsRoot()) {}

bool RemovableMountReader::Next(RemovableMount& mount) {
    while (const std::optional<std::string_view> text = lines_.Next()) {
        const std::optional<MountLine> line = ParseMountLine(*text);
        if (!line || !DecodeMountPoint(line->escapedMountPoint, mount.mountPoint)) continue;

        const std::string_view mountPoint = mount.mountPoint.data();
        const std::string_view name = mountPoint.substr(mountPoint.rfind('/') + 1);
        if (name.empty()) continue;
        // The folder rule needs no sysfs; major 0 is the kernel's number for
        // file systems without a block device (tmpfs, proc, network).
        std::optional<bool> removable = true;
        if (!IsUnderMediaFolder(mountPoint)) {
            removable = line->major != 0 ? IsRemovableMount(disks_, *line) : false;
        }
        if (!removable) {
            failed_ = true;
            continue;
        }
        // Only the few counted mounts need their names in UTF-16.
        if (*removable && Utf8ToUtf16(name, mount.name.data(), mount.name.size())) return true;
    }
    failed_ = failed_ || lines_.Failed();
    return false;
}

namespace {

// The mount table as last read, and the descriptor it was read from.
class MountTableWatch {
public:
    const std::vector<RemovableMount>* Current();
    std::span<const RemovableMount> Last() const;

private:
    bool SameSource(std::string_view table, std::string_view sysfsRoot) const;
    bool KernelMarkedChange() const;
    void Open(const char* table, std::string_view sysfsRoot);

    FileDescriptor table_;
    std::string tablePath_;
    std::string sysfsRoot_;
    // A table of the kernel's own: kept open, and read again only once poll
    // marks a change. Any other file is opened afresh at every call, as it
    // may have been replaced.
    bool kernelMarks_ = false;
    bool whole_ = false;  // mounts_ holds a whole table
    std::vector<RemovableMount> mounts_;
};

bool MountTableWatch::SameSource(std::string_view table, std::string_view sysfsRoot) const {
    return table_.valid() && table == tablePath_ && sysfsRoot == sysfsRoot_;
}

// mountinfo reports POLLPRI (with POLLERR) once after each change of the
// mount namespace since the descriptor was last polled.
bool MountTableWatch::KernelMarkedChange() const {
    pollfd watch{table_.get(), POLLPRI, 0};
    int ready;
    do {
        ready = ::poll(&watch, 1, 0);
    } while (ready < 0 && errno == EINTR);
    return ready != 0;  // a failed poll says nothing: read again
}

void MountTableWatch::Open(const char* table, std::string_view sysfsRoot) {
    table_ = OpenRegularFile(AT_FDCWD, table);
    tablePath_ = table;
    sysfsRoot_ = sysfsRoot;
    struct statfs system {};
    kernelMarks_ = table_.valid() && ::fstatfs(table_.get(), &system) == 0 &&
                   system.f_type == PROC_SUPER_MAGIC;
}

const std::vector<RemovableMount>* MountTableWatch::Current() {
    char table[PATH_MAX];
    const std::string_view procfs = ProcfsRoot();
    const int length = std::snprintf(table, sizeof table, "%.*s/self/mountinfo",
                                     static_cast<int>(procfs.size()), procfs.data());
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof table) return nullptr;
    const std::string_view sysfsRoot = SysfsRoot();
    const bool same = SameSource(table, sysfsRoot) && kernelMarks_;
    if (same && whole_ && !KernelMarkedChange()) return &mounts_;
    // Rewinding a kernel table makes it list the mounts as they are now.
    if (!same || ::lseek(table_.get(), 0, SEEK_SET) != 0) Open(table, sysfsRoot);
    whole_ = false;
    mounts_.clear();
    if (!table_.valid()) return nullptr;
    RemovableMountReader reader(table_.get());
    RemovableMount mount;
    while (reader.Next(mount)) mounts_.push_back(mount);
    whole_ = !reader.Failed();
    return whole_ ? &mounts_ : nullptr;
}

std::span<const RemovableMount> MountTableWatch::Last() const {
    if (!whole_) return {};
    return mounts_;
}

MountTableWatch& Watch() {
    static MountTableWatch watch;
    return watch;
}

}  // namespace

const std::vector<RemovableMount>* CurrentRemovableMounts() { return Watch().Current(); }

std::span<const RemovableMount> LastRemovableMounts() { return Watch().Last(); }

}  // namespace platform::linux_status
