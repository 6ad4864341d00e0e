// The root directory holds one entry per mount of removable media, which
// the memory survey shows as memory cards. The mounts are taken once, when
// an enumeration starts, so one enumeration sees one consistent set, and the
// free-space query asked while it is open answers from the same set instead
// of reading and judging the whole table again for each volume. Once a
// second is the usual pace, so an enumeration reuses the storage of the one
// before it rather than allocating its own.
//
// Before the volumes the root holds one ordinary folder, the user's own
// storage, as the platform's root holds its folders beside the mounted
// volumes. So a root that can be read is never empty, and an enumeration
// that cannot start always means the mounts could not be learnt: the survey
// then keeps the cards it showed, while a root without volumes clears them.

#include "platform/root_enumeration.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "platform/linux/mount_table.h"
#include "platform/linux/open_enumerations.h"

namespace platform {

struct EnumerationObject {
    std::vector<linux_status::RemovableMount> volumes;
    std::size_t next = 0;  // the volume FindNextEntry gives
};

namespace {

// The ordinary folder that comes first: a directory, not a volume.
constexpr char16_t STORAGE_FOLDER_NAME[] = u"home";

// The enumerations started and not yet closed, newest last.
std::vector<EnumerationObject*>& OpenEnumerations() {
    static std::vector<EnumerationObject*> open;
    return open;
}

// The last enumeration closed, kept for the next to start.
std::unique_ptr<EnumerationObject>& SpareEnumeration() {
    static std::unique_ptr<EnumerationObject> spare;
    return spare;
}

EnumerationObject* NewEnumeration() {
    if (SpareEnumeration()) return SpareEnumeration().release();
    return new (std::nothrow) EnumerationObject;
}

void EndEnumeration(EnumerationObject* enumeration) {
    if (SpareEnumeration()) {
        delete enumeration;
        return;
    }
    enumeration->volumes.clear();
    enumeration->next = 0;
    SpareEnumeration().reset(enumeration);
}

void FillEntry(const std::array<char16_t, PATH_BUFFER_CHARS>& name, FindDataRecord& entry) {
    std::memset(&entry, 0, sizeof entry);
    entry.attributes = ATTR_DIRECTORY | ATTR_TEMPORARY;
    std::copy(name.begin(), name.end(), entry.name);
}

void FillStorageFolderEntry(FindDataRecord& entry) {
    std::memset(&entry, 0, sizeof entry);
    entry.attributes = ATTR_DIRECTORY;
    std::copy(std::begin(STORAGE_FOLDER_NAME), std::end(STORAGE_FOLDER_NAME), entry.name);
}

bool IsValid(FindHandle enumeration) {
    return enumeration != nullptr && enumeration != InvalidFindHandle();
}

}  // namespace

FindHandle FindFirstEntry(const char16_t* pattern, FindDataRecord* entry) {
    // Only the whole root is ever asked for; the volumes have no extension
    // to match against another pattern.
    if (pattern == nullptr || entry == nullptr || std::u16string_view(pattern) != u"/*.*") {
        return InvalidFindHandle();
    }
    // Part of a table is not the root: a card missing from it would read as
    // taken out.
    const std::vector<linux_status::RemovableMount>* mounts = linux_status::CurrentRemovableMounts();
    if (mounts == nullptr) return InvalidFindHandle();
    EnumerationObject* enumeration = NewEnumeration();
    if (enumeration == nullptr) return InvalidFindHandle();
    enumeration->volumes.assign(mounts->begin(), mounts->end());
    FillStorageFolderEntry(*entry);
    OpenEnumerations().push_back(enumeration);
    return enumeration;
}

bool FindNextEntry(FindHandle enumeration, FindDataRecord* entry) {
    if (!IsValid(enumeration) || entry == nullptr) return false;
    if (enumeration->next >= enumeration->volumes.size()) return false;
    FillEntry(enumeration->volumes[enumeration->next++].name, *entry);
    return true;
}

bool CloseEnumeration(FindHandle enumeration) {
    if (!IsValid(enumeration)) return false;
    auto& open = OpenEnumerations();
    const auto found = std::find(open.begin(), open.end(), enumeration);
    if (found == open.end()) return false;  // not ours, or closed already
    open.erase(found);
    EndEnumeration(enumeration);
    return true;
}

}  // namespace platform

namespace platform::linux_status {

const char* MountPointOfOpenEnumeration(std::u16string_view name) {
    const auto& open = OpenEnumerations();
    for (auto enumeration = open.rbegin(); enumeration != open.rend(); ++enumeration) {
        for (const RemovableMount& volume : (*enumeration)->volumes) {
            if (std::u16string_view(volume.name.data()) == name) return volume.mountPoint.data();
        }
    }
    return nullptr;
}

}  // namespace platform::linux_status
