// The root directory on Linux: the user's storage as the folder "home", then
// one entry per mount of removable media, in mount order (see
// platform/shared/root_entries.h).

#include <string_view>
#include <vector>

#include "platform/linux/mount_table.h"
#include "platform/shared/root_entries.h"

namespace platform {

namespace {

bool ReadRemovableMounts(std::vector<shared::RootVolume>& volumes) {
    const std::vector<linux_status::RemovableMount>* mounts =
        linux_status::CurrentRemovableMounts();
    if (mounts == nullptr) return false;
    volumes.resize(mounts->size());
    for (std::size_t i = 0; i < mounts->size(); ++i) {
        volumes[i].name.assign((*mounts)[i].name.data());
        volumes[i].place.assign((*mounts)[i].mountPoint.data());
    }
    return true;
}

}  // namespace

FindHandle FindFirstEntry(const char16_t* pattern, FindDataRecord* entry) {
    return shared::StartRootEnumeration(pattern, entry, u"home", ReadRemovableMounts);
}

}  // namespace platform
