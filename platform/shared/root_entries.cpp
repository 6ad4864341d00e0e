#include "platform/shared/root_entries.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace platform {

struct EnumerationObject {
    std::vector<shared::RootVolume> volumes;
    std::size_t next = 0;  // the volume FindNextEntry gives
};

namespace {

// The enumerations started and not yet closed, newest last.
std::vector<EnumerationObject*>& OpenEnumerations() {
    static std::vector<EnumerationObject*> open;
    return open;
}

// The last enumeration closed, kept with its storage for the next: once a
// second is the usual pace, and a still set of volumes then costs no heap.
std::unique_ptr<EnumerationObject>& SpareEnumeration() {
    static std::unique_ptr<EnumerationObject> spare;
    return spare;
}

void EndEnumeration(EnumerationObject* enumeration) {
    if (SpareEnumeration()) {
        delete enumeration;
        return;
    }
    enumeration->next = 0;
    SpareEnumeration().reset(enumeration);
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

namespace shared {

FindHandle StartRootEnumeration(const char16_t* pattern, FindDataRecord* entry,
                                std::u16string_view folderName, ReadVolumes read) {
    // Only the whole root is ever asked for; the volumes have no extension
    // to match against another pattern.
    if (pattern == nullptr || entry == nullptr || std::u16string_view(pattern) != u"/*.*") {
        return InvalidFindHandle();
    }
    std::unique_ptr<EnumerationObject> enumeration = std::move(SpareEnumeration());
    if (!enumeration) enumeration.reset(new (std::nothrow) EnumerationObject);
    if (!enumeration) return InvalidFindHandle();
    // Part of the volumes is not the root: a card missing from it would
    // read as taken out.
    if (!read(enumeration->volumes)) {
        EndEnumeration(enumeration.release());
        return InvalidFindHandle();
    }
    enumeration->next = 0;
    FillEntry(folderName, ATTR_DIRECTORY, *entry);
    OpenEnumerations().push_back(enumeration.get());
    return enumeration.release();
}

const RootVolume* VolumeOfOpenEnumeration(std::u16string_view name) {
    const auto& open = OpenEnumerations();
    for (auto enumeration = open.rbegin(); enumeration != open.rend(); ++enumeration) {
        for (const RootVolume& volume : (*enumeration)->volumes) {
            if (volume.name == name) return &volume;
        }
    }
    return nullptr;
}

}  // namespace shared

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
    EndEnumeration(enumeration);
    return true;
}

}  // namespace platform
