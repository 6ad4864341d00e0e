// The root directory as both back ends present it: one ordinary folder (the
// user's own storage), then one entry per removable volume, which the memory
// survey shows as memory cards. The volumes are taken once, when an
// enumeration starts, so one enumeration sees one consistent set, and the
// free-space query asked while it is open resolves names through the same
// set instead of reading the system's volumes again for each of them.
//
// A root that can be read is never empty, so an enumeration that cannot
// start always means the volumes could not be learnt: the survey then keeps
// the cards it showed, while a root without volumes clears them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/root_enumeration.h"

namespace platform::shared {

struct RootVolume {
    std::u16string name;  // the root entry's name, never empty
    std::string place;    // where the back end finds it again: a mount point, a drive letter
};

// Makes `volumes` the removable volumes now, in the order the root lists
// them; false when they cannot be learnt whole. It holds the last
// enumeration's volumes: assigning over them keeps their storage.
using ReadVolumes = bool (*)(std::vector<RootVolume>& volumes);

// FindFirstEntry of a back end: for the whole root ("/*.*") alone, the
// folder `folderName` first, then the volumes that `read` gives.
FindHandle StartRootEnumeration(const char16_t* pattern, FindDataRecord* entry,
                                std::u16string_view folderName, ReadVolumes read);

// The volume behind the root entry `name` in the newest open enumeration
// that lists it, valid while that enumeration is open; null when none does.
const RootVolume* VolumeOfOpenEnumeration(std::u16string_view name);

}  // namespace platform::shared
