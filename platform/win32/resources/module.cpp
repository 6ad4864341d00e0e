// The program's resources are those of its executable: found, loaded and
// measured by the Windows API. A resource entry is the API's resource
// handle under the platform's type; the portable code only hands it back.

#include "platform/module.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

HRSRC ToHrsrc(const ResourceRecord* entry) {
    return reinterpret_cast<HRSRC>(const_cast<ResourceRecord*>(entry));
}

}  // namespace

const ResourceRecord* FindResourceEntry(InstanceHandle instance, std::uint32_t id,
                                        std::uint32_t type) {
    HRSRC found =
        FindResourceW(win32::ToHinstance(instance), MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    return reinterpret_cast<const ResourceRecord*>(found);
}

const void* LoadResourceEntry(InstanceHandle instance, const ResourceRecord* entry) {
    if (entry == nullptr) return nullptr;
    HGLOBAL loaded = LoadResource(win32::ToHinstance(instance), ToHrsrc(entry));
    return loaded != nullptr ? LockResource(loaded) : nullptr;
}

std::size_t ResourceEntrySize(InstanceHandle instance, const ResourceRecord* entry) {
    if (entry == nullptr) return 0;
    return SizeofResource(win32::ToHinstance(instance), ToHrsrc(entry));
}

}  // namespace platform
