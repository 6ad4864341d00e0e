// The object store is the user's data storage: the file system that holds
// the home folder.

#include <array>
#include <optional>

#include "platform/linux/home_folder.h"
#include "platform/linux/volume_space.h"
#include "platform/memory_status.h"

namespace platform {

bool QueryStoreInformation(StoreInfoRecord* info) {
    if (info == nullptr) return false;
    std::array<char, linux_status::HOME_FOLDER_BUFFER> buffer;
    const std::optional<linux_status::VolumeSpace> space =
        linux_status::MeasureVolume(linux_status::HomeFolder(buffer));
    if (!space) return false;
    info->size = space->totalBytes;
    // What the user can still write: the superuser's reserve is not theirs.
    info->freeSize = space->availableBytes;
    return true;
}

}  // namespace platform
