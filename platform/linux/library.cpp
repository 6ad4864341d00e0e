// The core library is the program's own import library, so it is always
// "loaded": the handle is one static object and releasing it does nothing.
// Its only entry asked for by name is the free-space query.

#include "platform/library.h"

#include <string_view>

#include "platform/linux/free_space.h"

namespace platform {

struct LibraryObject {};

namespace {

LibraryObject coreLibrary;

char16_t AsciiUpper(char16_t c) {
    return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c;
}

// Library names are case-insensitive, as file names are where they live.
bool IsCoreLibraryName(std::u16string_view name) {
    constexpr std::u16string_view coreName = u"COREDLL.DLL";
    if (name.size() != coreName.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (AsciiUpper(name[i]) != coreName[i]) return false;
    }
    return true;
}

}  // namespace

LibraryHandle LoadLibrary(const char16_t* name) {
    if (name == nullptr || !IsCoreLibraryName(name)) return nullptr;
    return &coreLibrary;
}

// Entry names are matched exactly, case included, as the loader does.
LibraryEntry FindLibraryEntry(LibraryHandle library, const char16_t* name) {
    if (library != &coreLibrary || name == nullptr) return nullptr;
    if (std::u16string_view(name) != u"GetDiskFreeSpaceExW") return nullptr;
    const DiskFreeSpaceQuery query = &linux_status::QueryDiskFreeSpace;
    return reinterpret_cast<LibraryEntry>(query);
}

bool ReleaseLibrary(LibraryHandle library) {
    return library == &coreLibrary;
}

}  // namespace platform
