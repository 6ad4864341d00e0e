// The root directory of the Windows program: the user's folder, an ordinary
// directory, then one entry per removable drive, which the memory survey
// shows as memory cards. The drives are read once, when an enumeration
// starts; the free-space query asked while it is open resolves names
// through the same snapshot. A root that can be read is never empty, so an
// enumeration that cannot start always means the drives could not be
// learnt.

#include "platform/root_enumeration.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/win32/status/free_space.h"
#include "platform/win32/status/removable_drives.h"

namespace platform {

struct EnumerationObject {
    std::vector<win32::RootVolume> volumes;
    std::size_t next = 0;  // the volume FindNextEntry gives
};

namespace {

constexpr char16_t USER_FOLDER_NAME[] = u"Users";

// The enumerations started and not yet closed, newest last.
std::vector<EnumerationObject*>& OpenEnumerations() {
    static std::vector<EnumerationObject*> open;
    return open;
}

void FillEntry(std::u16string_view name, std::uint32_t attributes, FindDataRecord& entry) {
    std::memset(&entry, 0, sizeof entry);
    entry.attributes = attributes;
    const std::size_t kept = std::min(name.size(), PATH_BUFFER_CHARS - 1);
    std::copy_n(name.begin(), kept, entry.name);
}

bool IsValid(FindHandle enumeration) {
    return enumeration != nullptr && enumeration != InvalidFindHandle();
}

}  // namespace

FindHandle FindFirstEntry(const char16_t* pattern, FindDataRecord* entry) {
    if (pattern == nullptr || entry == nullptr || std::u16string_view(pattern) != u"/*.*") {
        return InvalidFindHandle();
    }
    const std::optional<std::vector<win32::DriveFacts>> drives = win32::ReadDrives();
    if (!drives) return InvalidFindHandle();
    auto* enumeration = new (std::nothrow) EnumerationObject;
    if (enumeration == nullptr) return InvalidFindHandle();
    enumeration->volumes = win32::RemovableVolumes(*drives);
    FillEntry(USER_FOLDER_NAME, ATTR_DIRECTORY, *entry);
    OpenEnumerations().push_back(enumeration);
    return enumeration;
}

bool FindNextEntry(FindHandle enumeration, FindDataRecord* entry) {
    if (!IsValid(enumeration) || entry == nullptr) return false;
    if (enumeration->next >= enumeration->volumes.size()) return false;
    FillEntry(enumeration->volumes[enumeration->next++].name, ATTR_DIRECTORY | ATTR_TEMPORARY,
              *entry);
    return true;
}

bool CloseEnumeration(FindHandle enumeration) {
    if (!IsValid(enumeration)) return false;
    auto& open = OpenEnumerations();
    const auto found = std::find(open.begin(), open.end(), enumeration);
    if (found == open.end()) return false;  // not ours, or closed already
    open.erase(found);
    delete enumeration;
    return true;
}

namespace win32 {

std::optional<char16_t> DriveOfOpenEnumeration(std::u16string_view name) {
    const auto& open = OpenEnumerations();
    for (auto enumeration = open.rbegin(); enumeration != open.rend(); ++enumeration) {
        for (const RootVolume& volume : (*enumeration)->volumes) {
            if (volume.name == name) return volume.letter;
        }
    }
    return std::nullopt;
}

}  // namespace win32
}  // namespace platform
