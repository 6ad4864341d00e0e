// Program images and the resources embedded in them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

namespace platform {

// Resource types.
constexpr std::uint32_t RESOURCE_ICON = 3;
constexpr std::uint32_t RESOURCE_DIALOG = 5;
constexpr std::uint32_t RESOURCE_ICON_GROUP = 14;
constexpr std::uint32_t RESOURCE_VERSION = 16;

constexpr std::uint16_t LANGUAGE_JAPANESE = 0x0411;

// One embedded resource. An icon group holds a whole icon file (.ico), its
// images one after another as the file lists them.
struct ResourceRecord {
    std::uint32_t type;
    std::uint32_t id;
    std::uint16_t language;
    const std::uint8_t* data;
    std::size_t size;
};

struct Module {
    const ResourceRecord* resources;
    std::size_t resourceCount;
};

// The running program's own image. It is defined beside the program's
// resources and linked into the program, as the linker puts a resource
// section into the image on other platforms.
InstanceHandle ProgramImage();

// Null when the image has no resource of that type and number.
const ResourceRecord* FindResourceEntry(InstanceHandle instance, std::uint32_t id,
                                        std::uint32_t type);

// The resource's bytes in memory; null for a null entry.
const void* LoadResourceEntry(InstanceHandle instance, const ResourceRecord* entry);

// The resource's size in bytes; 0 for a null entry.
std::size_t ResourceEntrySize(InstanceHandle instance, const ResourceRecord* entry);

}  // namespace platform
