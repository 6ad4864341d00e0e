// The memory cards of a Windows machine: its removable drives (USB sticks,
// SD and other card readers), as the root enumeration lists them.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform::win32 {

// What the system says of one drive letter.
struct DriveFacts {
    char16_t letter;       // 'A' to 'Z'
    unsigned type;         // GetDriveTypeW's answer
    std::u16string label;  // empty: none, or it could not be read
};

// A removable drive as a root entry: its name, and the drive it stands for.
struct RootVolume {
    std::u16string name;
    char16_t letter;
};

// The removable drives among `drives`, in drive-letter order. Each is named
// by its volume label, or "E:" when it has none. Names are told apart: two
// drives that would have the same name are both named with their letter
// after the label, "CARD (E:)" and "CARD (F:)".
std::vector<RootVolume> RemovableVolumes(std::span<const DriveFacts> drives);

// The drives of this machine, removable ones with their labels (each read
// within a bound); nothing when the drive list cannot be read.
std::optional<std::vector<DriveFacts>> ReadDrives();

// "E:\" for drive E.
std::u16string DriveRoot(char16_t letter);

}  // namespace platform::win32
