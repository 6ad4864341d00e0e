// The root directory of the Windows program: the user's folder as "Users",
// then one entry per removable drive (see platform/shared/root_entries.h).
// The drives are read once, when an enumeration starts.

#include <string>
#include <vector>

#include "platform/shared/root_entries.h"
#include "platform/win32/status/removable_drives.h"

namespace platform {

namespace {

// A volume's place is its drive letter.
bool ReadRemovableDrives(std::vector<shared::RootVolume>& volumes) {
    const std::optional<std::vector<win32::DriveFacts>> drives = win32::ReadDrives();
    if (!drives) return false;
    const std::vector<win32::RootVolume> removable = win32::RemovableVolumes(*drives);
    volumes.resize(removable.size());
    for (std::size_t i = 0; i < removable.size(); ++i) {
        volumes[i].name = removable[i].name;
        volumes[i].place.assign(1, static_cast<char>(removable[i].letter));
    }
    return true;
}

}  // namespace

FindHandle FindFirstEntry(const char16_t* pattern, FindDataRecord* entry) {
    return shared::StartRootEnumeration(pattern, entry, u"Users", ReadRemovableDrives);
}

}  // namespace platform
