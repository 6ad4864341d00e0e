#include "platform/linux/mount_table.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/linux/attribute_file.h"
#include "platform/linux/status_roots.h"
#include "platform/linux/utf16.h"
#include "platform/shared/file_descriptor.h"

namespace platform::linux_status {
namespace {

// The fields of one mountinfo line that the volumes need.
struct MountLine {
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
    if (!ParseNumber(leading[0]) || !ParseDeviceNumber(leading[2], line)) return std::nullopt;
    line.escapedMountPoint = leading[4];
    if (!line.escapedMountPoint.starts_with('/')) return std::nullopt;
    return line;
}

constexpr bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

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

// What sysfs said of each device in the table, kept while the device stays
// there. Judging a device costs a link read and several attribute reads,
// and a table may list one device under thousands of mount points (bind
// mounts on a container host, snaps): it is judged once, by its device
// number, however many mounts it has, and a changed table costs its parse
// and the judgement of the devices that are new to it. A device that went
// while nobody read the table and came back under the same number (another
// stick in the same port, say) is told apart by its sysfs folder, which the
// kernel makes anew for each device: one stat for each device in a table
// that is read again.
class DeviceVerdicts {
public:
    // A table is read from its start, with sysfs at `sysfsRoot`.
    void BeginTable(std::string_view sysfsRoot) {
        if (sysfsRoot != sysfsRoot_) {
            verdicts_.clear();
            sysfsRoot_ = sysfsRoot;
        }
        ++table_;
    }

    // Nothing when sysfs could not be read; that is not kept, so the next
    // reading judges again.
    std::optional<bool> IsRemovable(const RemovableDiskJudge& disks, std::uint32_t major,
                                    std::uint32_t minor) {
        const std::uint64_t number = (std::uint64_t{major} << 32) | minor;
        const auto known = verdicts_.find(number);
        if (known != verdicts_.end() && known->second.table == table_)
            return known->second.removable;
        const std::optional<FolderIdentity> identity = IdentityOf(major, minor);
        if (known != verdicts_.end() && identity && known->second.identity == *identity) {
            known->second.table = table_;
            return known->second.removable;
        }
        const std::optional<bool> removable = disks.IsRemovable(major, minor);
        if (!removable || !identity) {
            if (known != verdicts_.end()) verdicts_.erase(known);
            return removable;
        }
        verdicts_[number] = Verdict{*identity, *removable, table_};
        return removable;
    }

    // For a table followed change by change, which never lists every
    // device again: the verdicts start again once there are many, rather
    // than grow with every device that was ever mounted.
    void ForgetIfMany() {
        if (verdicts_.size() > KEPT_VERDICTS) verdicts_.clear();
    }

    // The table was read whole: the devices it no longer lists are forgotten.
    void EndTable() {
        std::erase_if(verdicts_,
                      [this](const auto& entry) { return entry.second.table != table_; });
    }

private:
    static constexpr std::size_t KEPT_VERDICTS = 256;

    struct FolderIdentity {
        dev_t device = 0;
        ino_t inode = 0;
        bool operator==(const FolderIdentity&) const = default;
    };
    struct Verdict {
        FolderIdentity identity;
        bool removable;
        std::uint64_t table;  // the last table that listed the device
    };

    // The device's sysfs folder; a device sysfs does not know has none (and
    // is judged fixed). Nothing when that cannot be told.
    std::optional<FolderIdentity> IdentityOf(std::uint32_t major, std::uint32_t minor) const {
        char link[PATH_MAX];
        const int length =
            std::snprintf(link, sizeof link, "%s/dev/block/%u:%u", sysfsRoot_.c_str(),
                          static_cast<unsigned>(major), static_cast<unsigned>(minor));
        if (length < 0 || static_cast<std::size_t>(length) >= sizeof link) return FolderIdentity{};
        struct stat folder {};
        if (::stat(link, &folder) == 0) return FolderIdentity{folder.st_dev, folder.st_ino};
        if (IsMissing(errno)) return FolderIdentity{};
        return std::nullopt;
    }

    std::string sysfsRoot_;
    std::uint64_t table_ = 0;
    std::unordered_map<std::uint64_t, Verdict> verdicts_;
};

DeviceVerdicts& Verdicts() {
    static DeviceVerdicts verdicts;
    return verdicts;
}

// Whether the mount at `mount.mountPoint`, of device `major`:`minor`, is a
// volume of the root, with its name filled in; nothing when its device
// could not be judged.
std::optional<bool> JudgeMount(const RemovableDiskJudge& disks, std::uint32_t major,
                               std::uint32_t minor, RemovableMount& mount) {
    const std::string_view mountPoint = mount.mountPoint.data();
    const std::string_view name = mountPoint.substr(mountPoint.rfind('/') + 1);
    if (name.empty()) return false;
    // The folder rule needs no sysfs; major 0 is the kernel's number for
    // file systems without a block device (tmpfs, proc, network).
    std::optional<bool> removable = true;
    if (!IsUnderMediaFolder(mountPoint)) {
        removable =
            major != 0 ? Verdicts().IsRemovable(disks, major, minor) : std::optional<bool>(false);
    }
    if (!removable) return std::nullopt;
    // Only the few counted mounts need their names in UTF-16.
    return *removable && Utf8ToUtf16(name, mount.name.data(), mount.name.size());
}

}  // namespace

RemovableMountReader::RemovableMountReader(int table) : lines_(table), disks_(SysfsRoot()) {
    Verdicts().BeginTable(SysfsRoot());
}

bool RemovableMountReader::Next(RemovableMount& mount) {
    while (const std::optional<std::string_view> text = lines_.Next()) {
        const std::optional<MountLine> line = ParseMountLine(*text);
        if (!line || !DecodeMountPoint(line->escapedMountPoint, mount.mountPoint)) continue;
        mount.id = 0;
        const std::optional<bool> counted = JudgeMount(disks_, line->major, line->minor, mount);
        if (!counted) {
            failed_ = true;
            continue;
        }
        if (*counted) return true;
    }
    failed_ = failed_ || lines_.Failed();
    if (!failed_) Verdicts().EndTable();
    return false;
}

namespace {

// The kernel's own list of mounts, asked mount by mount (listmount and
// statmount, Linux 6.8 and later). Reading the table makes the kernel write
// out every mount, some 3 µs each: a host with thousands of mounts whose
// table changes every second (containers starting and stopping) would cost
// the program 10 to 20 ms at every refresh. Listed by the kernel, a mount
// keeps an id of its own for life, never given again and growing with
// every new mount, in the order the table lists them: after a change only
// the ids above the last one seen are new, and of the rest only the few
// volumes shown need asking again whether they are still there and where.
// A mount that was not a volume and is moved under /media/ keeps an old id
// and is not seen until the table is loaded again; nothing does that but
// by hand.
class KernelMountList {
public:
    bool Usable() const { return usable_; }

    // The volumes among all the mounts; false when the list could not be
    // had whole (and Usable() false when the kernel has no such calls).
    bool Load(std::vector<RemovableMount>& mounts) {
        mounts.clear();
        lastId_ = 0;
        Verdicts().BeginTable(SysfsRoot());
        return AddNew(mounts);
    }

    // After a change: volumes gone or moved are followed, new mounts added.
    bool Update(std::vector<RemovableMount>& mounts) {
        Verdicts().BeginTable(SysfsRoot());
        Verdicts().ForgetIfMany();
        const RemovableDiskJudge disks(SysfsRoot());
        for (auto mount = mounts.begin(); mount != mounts.end();) {
            const Found found = Describe(disks, mount->id, *mount);
            if (found == Found::Failed) return false;
            mount = found == Found::Volume ? std::next(mount) : mounts.erase(mount);
        }
        return AddNew(mounts);
    }

private:
    enum class Found { Volume, Other, Gone, Failed };

    static constexpr long LISTMOUNT = 458;
    static constexpr long STATMOUNT = 457;
    static constexpr std::uint64_t EVERY_MOUNT = ~std::uint64_t{0};  // below the root
    static constexpr std::uint64_t DEVICE = 0x1;                     // STATMOUNT_SB_BASIC
    static constexpr std::uint64_t MOUNT_POINT = 0x10;               // STATMOUNT_MNT_POINT
    static constexpr std::size_t IDS_A_CALL = 512;

    struct Request {
        std::uint32_t size = sizeof(Request);
        std::uint32_t spare = 0;
        std::uint64_t mountId = 0;
        std::uint64_t parameter = 0;
    };

    // The fixed part of what statmount writes; the texts follow it.
    struct Status {
        std::uint32_t size;
        std::uint32_t options;
        std::uint64_t mask;
        std::uint32_t deviceMajor;
        std::uint32_t deviceMinor;
        std::uint64_t magic;
        std::uint32_t flags;
        std::uint32_t fileSystemType;
        std::uint64_t id;
        std::uint64_t parentId;
        std::uint32_t oldId;
        std::uint32_t oldParentId;
        std::uint64_t attributes;
        std::uint64_t propagation;
        std::uint64_t peerGroup;
        std::uint64_t master;
        std::uint64_t propagateFrom;
        std::uint32_t root;
        std::uint32_t mountPoint;  // where its text starts, after this part
        std::uint64_t spare[50];
    };
    static_assert(sizeof(Request) == 24 && sizeof(Status) == 512);

    // A call the kernel does not have, or one a sandbox forbids, is not
    // asked again: the table is read instead from then on.
    Found Refused(int error) {
        if (error == ENOSYS || error == EPERM || error == EINVAL || error == EOPNOTSUPP)
            usable_ = false;
        return Found::Failed;
    }

    // Where the mount with `id` is and whether it is a volume, in `mount`.
    Found Describe(const RemovableDiskJudge& disks, std::uint64_t id, RemovableMount& mount) {
        Request request;
        request.mountId = id;
        request.parameter = DEVICE | MOUNT_POINT;
        status_.resize((sizeof(Status) + PATH_MAX + 64) / sizeof(std::uint64_t));
        const std::size_t bytes = status_.size() * sizeof(std::uint64_t);
        if (::syscall(STATMOUNT, &request, status_.data(), bytes, 0) != 0) {
            if (errno == ENOENT) return Found::Gone;
            if (errno == EOVERFLOW) return Found::Other;  // a mount point too long to measure
            return Refused(errno);
        }
        Status status;
        std::memcpy(&status, status_.data(), sizeof status);
        if ((status.mask & (DEVICE | MOUNT_POINT)) != (DEVICE | MOUNT_POINT) ||
            status.size > bytes || sizeof(Status) + status.mountPoint >= status.size) {
            return Found::Other;
        }
        const char* texts = reinterpret_cast<const char*>(status_.data()) + sizeof(Status);
        const std::string_view point(
            texts + status.mountPoint,
            ::strnlen(texts + status.mountPoint, status.size - sizeof(Status) - status.mountPoint));
        if (!point.starts_with('/') || point.size() >= mount.mountPoint.size()) return Found::Other;
        point.copy(mount.mountPoint.data(), point.size());
        mount.mountPoint[point.size()] = '\0';
        mount.id = id;
        const std::optional<bool> counted =
            JudgeMount(disks, status.deviceMajor, status.deviceMinor, mount);
        if (!counted) return Found::Failed;
        return *counted ? Found::Volume : Found::Other;
    }

    // The mounts made since the last one seen, in order.
    bool AddNew(std::vector<RemovableMount>& mounts) {
        const RemovableDiskJudge disks(SysfsRoot());
        ids_.resize(IDS_A_CALL);
        RemovableMount mount;
        for (;;) {
            Request request;
            request.mountId = EVERY_MOUNT;
            request.parameter = lastId_;
            const long listed = ::syscall(LISTMOUNT, &request, ids_.data(), ids_.size(), 0);
            if (listed < 0) return Refused(errno) == Found::Volume;
            for (long index = 0; index < listed; ++index) {
                const Found found = Describe(disks, ids_[static_cast<std::size_t>(index)], mount);
                if (found == Found::Failed) return false;
                if (found == Found::Volume) mounts.push_back(mount);
                lastId_ = ids_[static_cast<std::size_t>(index)];
            }
            if (static_cast<std::size_t>(listed) < ids_.size()) return true;
        }
    }

    std::uint64_t lastId_ = 0;
    bool usable_ = true;
    std::vector<std::uint64_t> ids_;
    std::vector<std::uint64_t> status_;
};

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
    KernelMountList list_;
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
    if (!same) Open(table, sysfsRoot);
    // The kernel's own table is asked mount by mount where it can be; the
    // descriptor stays open only to learn of changes.
    if (kernelMarks_ && list_.Usable()) {
        const bool whole = same && whole_ ? list_.Update(mounts_) : list_.Load(mounts_);
        if (list_.Usable()) {
            whole_ = whole;
            if (!whole_) mounts_.clear();
            return whole_ ? &mounts_ : nullptr;
        }
    }
    // Rewinding a kernel table makes it list the mounts as they are now.
    if (same && ::lseek(table_.get(), 0, SEEK_SET) != 0) Open(table, sysfsRoot);
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
