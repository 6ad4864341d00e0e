// Dialog templates made ready for the desktop's dialog manager.
//
// The program's templates are in the standard binary form, which
// CreateDialogIndirectParamW reads as it stands, but three of their signs
// mean something else on the desktop:
//   - the extended style bit 0x80000000 asks for an OK button in the
//     caption, which the desktop's caption does not have: the bit is taken
//     out and the caption gets a minimise button instead, which the dialog
//     manager here answers with command 1, as OK would be answered;
//   - a static control with the extended right-alignment bit is right
//     aligned only on right-to-left desktops: it gets the right-aligned
//     static style as well;
//   - the face "System" is a bitmap font without Japanese characters on
//     most desktops: it is replaced by a face that has them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace platform::win32 {

struct DesktopTemplate {
    std::vector<std::uint8_t> bytes;  // the adapted template; starts DWORD-aligned
    bool captionOk = false;           // the caption's minimise button stands for OK
};

// A copy of the `size` bytes at `dialogTemplate`, adapted as above, with
// `face` in place of "System". Nothing when the template is not a standard
// dialog template or runs past `size` anywhere: header, any item, or an
// item's creation data.
std::optional<DesktopTemplate> AdaptDialogTemplate(const void* dialogTemplate, std::size_t size,
                                                   std::u16string_view face);

}  // namespace platform::win32
