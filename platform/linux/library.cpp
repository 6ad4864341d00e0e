// The core library is the program's own import library, so it is always
// "loaded": the handle is one static object and releasing it does nothing.
// Its only entry asked for by name is the free-space query.

#include "platform/library.h"

#include <string_view>

#include "platform/linux/free_space.h"
#include "platform/shared/core_library.h"

namespace platform {

struct LibraryObject {};

namespace {

LibraryObject coreLibrary;

}  // namespace

LibraryHandle LoadLibrary(const char16_t* name) {
    if (name == nullptr || !shared::IsCoreLibraryName(name)) return nullptr;
    return &coreLibrary;
}

LibraryEntry FindLibraryEntry(LibraryHandle library, const char16_t* name) {
    if (library != &coreLibrary || name == nullptr) return nullptr;
    if (name != shared::FREE_SPACE_ENTRY) return nullptr;
    const DiskFreeSpaceQuery query = &linux_status::QueryDiskFreeSpace;
    return reinterpret_cast<LibraryEntry>(query);
}

bool ReleaseLibrary(LibraryHandle library) { return library == &coreLibrary; }

}  // namespace platform
