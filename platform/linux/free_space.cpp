#include "platform/linux/free_space.h"

#include <optional>
#include <string_view>
#include <vector>

#include "platform/linux/mount_table.h"
#include "platform/linux/volume_space.h"
#include "platform/shared/root_entries.h"

namespace platform::linux_status {
namespace {

void Store(std::uint64_t* place, std::uint64_t value) {
    if (place != nullptr) *place = value;
}

std::int32_t Answer(const std::optional<VolumeSpace>& space, std::uint64_t* available,
                    std::uint64_t* total, std::uint64_t* totalFree) {
    if (!space) return 0;
    Store(available, space->availableBytes);
    Store(total, space->totalBytes);
    Store(totalFree, space->freeBytes);
    return 1;
}

}  // namespace

std::int32_t QueryDiskFreeSpace(const char16_t* path, std::uint64_t* available,
                                std::uint64_t* total, std::uint64_t* totalFree) {
    if (path == nullptr || path[0] != u'/' || path[1] == u'\0') return 0;
    const std::u16string_view name(path + 1);

    // While the survey enumerates the root, its names resolve through the
    // enumeration's own snapshot of the table.
    if (const shared::RootVolume* volume = shared::VolumeOfOpenEnumeration(name)) {
        return Answer(MeasureVolume(volume->place.c_str()), available, total, totalFree);
    }
    const std::vector<RemovableMount>* mounts = CurrentRemovableMounts();
    if (mounts == nullptr) return 0;
    // Two volumes with one name: the first mounted answers, as the root
    // enumeration lists it first.
    for (const RemovableMount& mount : *mounts) {
        if (std::u16string_view(mount.name.data()) != name) continue;
        return Answer(MeasureVolume(mount.mountPoint.data()), available, total, totalFree);
    }
    return 0;
}

}  // namespace platform::linux_status
