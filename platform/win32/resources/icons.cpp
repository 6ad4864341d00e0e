// Icons from the executable's icon groups: the Windows API's own loading.

#include "platform/win32/windows_api.h"

namespace platform {

IconHandle LoadIcon(InstanceHandle instance, std::uint32_t id) {
    return win32::FromHicon(LoadIconW(win32::ToHinstance(instance), MAKEINTRESOURCEW(id)));
}

IconHandle LoadImage(InstanceHandle instance, std::uint32_t id, std::uint32_t type,
                     std::int32_t width, std::int32_t height, std::uint32_t flags) {
    HANDLE image =
        LoadImageW(win32::ToHinstance(instance), MAKEINTRESOURCEW(id), type, width, height, flags);
    return win32::FromHicon(static_cast<HICON>(image));
}

}  // namespace platform
