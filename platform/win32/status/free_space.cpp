#include "platform/win32/status/free_space.h"

#include <string>

#include "platform/shared/root_entries.h"
#include "platform/win32/status/removable_drives.h"

namespace platform::win32 {
namespace {

SystemFreeSpaceQuery systemQuery = nullptr;

void Store(std::uint64_t* place, std::uint64_t value) {
    if (place != nullptr) *place = value;
}

std::optional<char16_t> DriveNamed(std::u16string_view name) {
    // While the survey enumerates the root, its names resolve through the
    // enumeration's own reading of the drives.
    if (const shared::RootVolume* volume = shared::VolumeOfOpenEnumeration(name)) {
        return static_cast<char16_t>(volume->place.at(0));
    }
    const std::optional<std::vector<DriveFacts>> drives = ReadDrives();
    if (!drives) return std::nullopt;
    for (const RootVolume& volume : RemovableVolumes(*drives)) {
        if (volume.name == name) return volume.letter;
    }
    return std::nullopt;
}

}  // namespace

void UseSystemFreeSpaceQuery(SystemFreeSpaceQuery query) { systemQuery = query; }

std::int32_t QueryCardFreeSpace(const char16_t* path, std::uint64_t* available,
                                std::uint64_t* total, std::uint64_t* totalFree) {
    if (path == nullptr || path[0] != u'/' || path[1] == u'\0') return 0;
    const std::optional<char16_t> letter = DriveNamed(path + 1);
    if (!letter) return 0;
    const std::optional<VolumeSpace> space = MeasureVolume(DriveRoot(*letter), systemQuery);
    if (!space) return 0;
    Store(available, space->available);
    Store(total, space->total);
    Store(totalFree, space->free);
    return 1;
}

}  // namespace platform::win32
