#include "platform/win32/status/removable_drives.h"

#include <algorithm>
#include <array>

#include "platform/win32/status/volume_queries.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {
namespace {

std::u16string NameOf(const DriveFacts& drive) {
    if (!drive.label.empty()) return drive.label;
    return std::u16string{drive.letter, u':'};
}

}  // namespace

std::u16string DriveRoot(char16_t letter) { return std::u16string{letter, u':', u'\\'}; }

std::vector<RootVolume> RemovableVolumes(std::span<const DriveFacts> drives) {
    std::vector<RootVolume> volumes;
    for (const DriveFacts& drive : drives) {
        if (drive.type == DRIVE_REMOVABLE) volumes.push_back({NameOf(drive), drive.letter});
    }
    std::vector<bool> clashes(volumes.size(), false);
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        for (std::size_t j = i + 1; j < volumes.size(); ++j) {
            if (volumes[i].name == volumes[j].name) clashes[i] = clashes[j] = true;
        }
    }
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        if (clashes[i])
            volumes[i].name += std::u16string{u' ', u'(', volumes[i].letter, u':', u')'};
    }
    return volumes;
}

std::optional<std::vector<DriveFacts>> ReadDrives() {
    // 26 roots of "X:\" and a NUL each, and the list's own NUL.
    std::array<wchar_t, 26 * 4 + 1> roots{};
    const DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(roots.size()), roots.data());
    if (length == 0 || length > roots.size()) return std::nullopt;
    std::vector<DriveFacts> drives;
    for (const wchar_t* root = roots.data(); *root != L'\0'; root += wcslen(root) + 1) {
        const char16_t letter = static_cast<char16_t>(root[0] & ~0x20);
        if (letter < u'A' || letter > u'Z') continue;
        DriveFacts drive{letter, GetDriveTypeW(root), {}};
        // Only a removable drive's label is ever shown; asking a network
        // drive for it could wait on the network.
        if (drive.type == DRIVE_REMOVABLE) {
            drive.label = VolumeLabel(DriveRoot(letter)).value_or(std::u16string());
        }
        drives.push_back(std::move(drive));
    }
    return drives;
}

}  // namespace platform::win32
