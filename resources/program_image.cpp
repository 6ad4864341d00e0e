// The program image's resource table. Every resource is serialised while
// compiling, so the table and the bytes it points at are constant data that
// exist before any code runs and never move.
#include "platform/module.h"
#include "resources/app_icon_file.h"
#include "resources/binary_writer.h"
#include "resources/resource_ids.h"
#include "resources/status_layouts.h"
#include "resources/version_block.h"
#include "resources/version_values.h"

namespace {

using namespace resources;

constexpr auto TALL_TEMPLATE =
    SerialiseBytes<[](auto& out) { WriteStatusDialog(out, Layout::Tall); }>();
constexpr auto WIDE_TEMPLATE =
    SerialiseBytes<[](auto& out) { WriteStatusDialog(out, Layout::Wide); }>();
constexpr auto VERSION_BLOCK =
    SerialiseBytes<[](auto& out) { WriteVersionInfo(out, VERSION_INFO); }>();

template <std::size_t Size>
constexpr platform::ResourceRecord Entry(std::uint32_t type, std::uint32_t id,
                                         const std::array<std::uint8_t, Size>& bytes) {
    return {type, id, platform::LANGUAGE_JAPANESE, bytes.data(), bytes.size()};
}

constexpr platform::ResourceRecord RESOURCE_TABLE[] = {
    Entry(platform::RESOURCE_DIALOG, IDD_STATUS_TALL, TALL_TEMPLATE),
    Entry(platform::RESOURCE_DIALOG, IDD_STATUS_WIDE, WIDE_TEMPLATE),
    Entry(platform::RESOURCE_ICON_GROUP, IDI_APP, APP_ICON_FILE),
    Entry(platform::RESOURCE_VERSION, VERSION_RESOURCE_ID, VERSION_BLOCK),
};

constexpr platform::Module PROGRAM_IMAGE{RESOURCE_TABLE, std::size(RESOURCE_TABLE)};

}  // namespace

namespace platform {

InstanceHandle ProgramImage() { return &PROGRAM_IMAGE; }

}  // namespace platform
