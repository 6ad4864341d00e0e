// Program memory and the object store on Windows: the installed memory and
// what is still available (GlobalMemoryStatusEx, whose record the platform's
// is), and the volume that holds the user's profile.

#include "platform/memory_status.h"
#include "platform/win32/status/volume_queries.h"

#include <shlobj.h>

#include <optional>
#include <string>

namespace platform {

static_assert(sizeof(MemoryStatusRecord) == sizeof(MEMORYSTATUSEX));
static_assert(offsetof(MemoryStatusRecord, totalPhysical) ==
              offsetof(MEMORYSTATUSEX, ullTotalPhys));
static_assert(offsetof(MemoryStatusRecord, availablePhysical) ==
              offsetof(MEMORYSTATUSEX, ullAvailPhys));

namespace {

// The profile folder does not move while the user is logged on.
const std::optional<std::u16string>& ProfileFolder() {
    static const std::optional<std::u16string> folder = []() -> std::optional<std::u16string> {
        PWSTR path = nullptr;
        if (FAILED(SHGetKnownFolderPath(FOLDERID_Profile, 0, nullptr, &path))) {
            CoTaskMemFree(path);
            return std::nullopt;
        }
        std::u16string copy(win32::Utf16(path));
        CoTaskMemFree(path);
        return copy;
    }();
    return folder;
}

}  // namespace

void QueryMemoryStatus(MemoryStatusRecord* status) {
    // A failed query leaves the record as the caller zero-filled it.
    if (status != nullptr) GlobalMemoryStatusEx(reinterpret_cast<MEMORYSTATUSEX*>(status));
}

bool QueryStoreInformation(StoreInfoRecord* info) {
    const std::optional<std::u16string>& folder = ProfileFolder();
    if (info == nullptr || !folder) return false;
    const std::optional<win32::VolumeSpace> space =
        win32::MeasureVolume(*folder, &GetDiskFreeSpaceExW);
    if (!space) return false;
    info->size = space->total;
    // What the user can still write: quotas and reserves are not theirs.
    info->freeSize = space->available;
    return true;
}

}  // namespace platform
