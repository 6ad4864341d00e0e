// Enumeration of the entries of the root directory. Mounted volumes are
// entries that carry both ATTR_DIRECTORY and ATTR_TEMPORARY.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

namespace platform {

constexpr std::uint32_t ATTR_DIRECTORY = 0x10;
constexpr std::uint32_t ATTR_TEMPORARY = 0x100;

// Characters of a path, terminator included.
constexpr std::size_t PATH_BUFFER_CHARS = 260;

// 560 bytes. Only the attributes and the name are meaningful here.
struct FindDataRecord {
    std::uint32_t attributes;
    std::uint8_t unused[36];
    char16_t name[PATH_BUFFER_CHARS];  // NUL-terminated
};
static_assert(sizeof(FindDataRecord) == 560);
static_assert(offsetof(FindDataRecord, name) == 40);

// The value FindFirstEntry gives when no enumeration could be started.
inline FindHandle InvalidFindHandle() { return reinterpret_cast<FindHandle>(~std::uintptr_t{0}); }

// Starts an enumeration of the entries matching `pattern` ("/*.*" for every
// root entry) and fills `entry` with the first. Returns InvalidFindHandle()
// when nothing can be enumerated.
FindHandle FindFirstEntry(const char16_t* pattern, FindDataRecord* entry);

// Fills `entry` with the next entry; false when none is left.
bool FindNextEntry(FindHandle enumeration, FindDataRecord* entry);

// Ends an enumeration started by FindFirstEntry.
bool CloseEnumeration(FindHandle enumeration);

}  // namespace platform
