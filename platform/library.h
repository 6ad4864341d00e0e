// Libraries loaded by name and their entries looked up by name.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace platform {

// An entry found in a library; cast to its real type before the call.
using LibraryEntry = void (*)();

// The free-space query, found as "GetDiskFreeSpaceExW" in the core library.
// Writes the bytes available to the caller, the total bytes and the total
// free bytes of the volume that holds `path` (each place may be null);
// returns nonzero on success.
using DiskFreeSpaceQuery = std::int32_t (*)(const char16_t* path, std::uint64_t* available,
                                            std::uint64_t* total, std::uint64_t* totalFree);

// Null when no library of that name can be loaded.
LibraryHandle LoadLibrary(const char16_t* name);

// Null when the library has no entry of that name.
LibraryEntry FindLibraryEntry(LibraryHandle library, const char16_t* name);

// Releases a handle from LoadLibrary; returns false for a null handle.
bool ReleaseLibrary(LibraryHandle library);

}  // namespace platform
