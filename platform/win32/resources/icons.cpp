// Icons from the executable's icon groups: the Windows API's own loading.
// Each icon loaded is remembered with the group it came from, so that the
// notification icon can be read again at the size the shell draws.

#include <vector>

#include "platform/win32/resources/icon_sizes.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

struct LoadedIcon {
    HICON icon;
    win32::IconSource source;
};

std::vector<LoadedIcon>& LoadedIcons() {
    static std::vector<LoadedIcon> icons;
    return icons;
}

HICON Remember(HICON icon, HINSTANCE instance, std::uint32_t id) {
    if (icon != nullptr && !win32::IconSourceOf(icon)) {
        LoadedIcons().push_back({icon, {instance, static_cast<UINT>(id)}});
    }
    return icon;
}

}  // namespace

IconHandle LoadIcon(InstanceHandle instance, std::uint32_t id) {
    HINSTANCE module = win32::ToHinstance(instance);
    return win32::FromHicon(Remember(LoadIconW(module, MAKEINTRESOURCEW(id)), module, id));
}

IconHandle LoadImage(InstanceHandle instance, std::uint32_t id, std::uint32_t type,
                     std::int32_t width, std::int32_t height, std::uint32_t flags) {
    HINSTANCE module = win32::ToHinstance(instance);
    HANDLE image = LoadImageW(module, MAKEINTRESOURCEW(id), type, width, height, flags);
    if (type != IMAGE_ICON) return win32::FromHicon(static_cast<HICON>(image));
    return win32::FromHicon(Remember(static_cast<HICON>(image), module, id));
}

namespace win32 {

std::optional<IconSource> IconSourceOf(HICON icon) {
    for (const LoadedIcon& loaded : LoadedIcons()) {
        if (loaded.icon == icon) return loaded.source;
    }
    return std::nullopt;
}

}  // namespace win32
}  // namespace platform
