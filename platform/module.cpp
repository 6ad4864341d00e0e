#include "platform/module.h"

namespace platform {

const ResourceRecord* FindResourceEntry(InstanceHandle instance, std::uint32_t id,
                                        std::uint32_t type) {
    if (instance == nullptr || instance->resources == nullptr) return nullptr;
    for (std::size_t i = 0; i < instance->resourceCount; ++i) {
        const ResourceRecord& entry = instance->resources[i];
        if (entry.type == type && entry.id == id) return &entry;
    }
    return nullptr;
}

const void* LoadResourceEntry(InstanceHandle, const ResourceRecord* entry) {
    return entry != nullptr ? entry->data : nullptr;
}

std::size_t ResourceEntrySize(InstanceHandle, const ResourceRecord* entry) {
    return entry != nullptr ? entry->size : 0;
}

}  // namespace platform
