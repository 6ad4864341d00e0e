// The object store is the user's data storage: the file system that holds
// the home folder.

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>

#include "platform/linux/volume_space.h"
#include "platform/memory_status.h"

namespace platform {
namespace {

// $HOME as the user set it, else the account's home folder. `buffer` holds
// the account entry's strings.
const char* HomeFolder(std::array<char, 16 * 1024>& buffer) {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return home;
    passwd account{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &account, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr || *found->pw_dir == '\0') {
        return nullptr;
    }
    return found->pw_dir;
}

}  // namespace

bool QueryStoreInformation(StoreInfoRecord* info) {
    if (info == nullptr) return false;
    std::array<char, 16 * 1024> buffer;
    const std::optional<linux_status::VolumeSpace> space =
        linux_status::MeasureVolume(HomeFolder(buffer));
    if (!space) return false;
    info->size = space->totalBytes;
    // What the user can still write: the superuser's reserve is not theirs.
    info->freeSize = space->availableBytes;
    return true;
}

}  // namespace platform
