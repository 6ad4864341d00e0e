// Libraries loaded by name and their entries looked up by name: the Windows
// API's own, from the system folder only. The core library of the program's
// layer is the system's kernel32, and its free-space query is handed out
// through QueryCardFreeSpace, which resolves the card names of the root
// enumeration to drives before asking kernel32's GetDiskFreeSpaceExW.

#include "platform/library.h"

#include <string>
#include <string_view>

#include "platform/shared/core_library.h"
#include "platform/win32/status/free_space.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

// Entry names are ASCII; any other character names no entry.
std::optional<std::string> AsciiName(std::u16string_view name) {
    std::string ascii;
    for (const char16_t c : name) {
        if (c == 0 || c > 0x7F) return std::nullopt;
        ascii.push_back(static_cast<char>(c));
    }
    return ascii;
}

bool IsKernel(HMODULE library) { return library == GetModuleHandleW(L"kernel32.dll"); }

}  // namespace

LibraryHandle LoadLibrary(const char16_t* name) {
    if (name == nullptr || *name == u'\0') return nullptr;
    const wchar_t* file = shared::IsCoreLibraryName(name) ? L"kernel32.dll" : win32::Wide(name);
    return win32::FromHmodule(LoadLibraryExW(file, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

LibraryEntry FindLibraryEntry(LibraryHandle library, const char16_t* name) {
    if (library == nullptr || name == nullptr) return nullptr;
    const std::optional<std::string> ascii = AsciiName(name);
    if (!ascii) return nullptr;
    const FARPROC entry = GetProcAddress(win32::ToHmodule(library), ascii->c_str());
    if (entry == nullptr) return nullptr;
    if (IsKernel(win32::ToHmodule(library)) && name == shared::FREE_SPACE_ENTRY) {
        // GetProcAddress hands every entry out under one type; this one has
        // GetDiskFreeSpaceExW's (cast through the type-less function type).
        win32::UseSystemFreeSpaceQuery(
            reinterpret_cast<win32::SystemFreeSpaceQuery>(reinterpret_cast<void (*)()>(entry)));
        const DiskFreeSpaceQuery cardQuery = &win32::QueryCardFreeSpace;
        return reinterpret_cast<LibraryEntry>(cardQuery);
    }
    return reinterpret_cast<LibraryEntry>(reinterpret_cast<void (*)()>(entry));
}

bool ReleaseLibrary(LibraryHandle library) {
    return library != nullptr && FreeLibrary(win32::ToHmodule(library)) != FALSE;
}

}  // namespace platform
