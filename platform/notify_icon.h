// The notification-area (tray) icon service.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

namespace platform {

constexpr std::uint32_t NOTIFY_ADD = 0;
constexpr std::uint32_t NOTIFY_DELETE = 2;

constexpr std::uint32_t NOTIFY_FLAG_MESSAGE = 1;
constexpr std::uint32_t NOTIFY_FLAG_ICON = 2;
constexpr std::uint32_t NOTIFY_FLAG_TIP = 4;

constexpr std::size_t NOTIFY_TIP_CHARS = 64;

// The icon's owner gets `callbackMessage` with the icon identifier as first
// parameter and the mouse message of a press (WM_LBUTTONDOWN) as second.
struct NotifyIconRecord {
    std::uint32_t size;
    WindowHandle window;
    std::uint32_t id;
    std::uint32_t flags;
    std::uint32_t callbackMessage;
    IconHandle icon;
    char16_t tip[NOTIFY_TIP_CHARS];
};

// `operation` is NOTIFY_ADD or NOTIFY_DELETE. An added icon is
// shown in the desktop's notification area, and again whenever that area
// is created anew (a panel that starts after the program or restarts), until
// it is deleted or its window is destroyed. Adding fails for a bad record or
// when the process has its icon already.
bool NotifyIcon(std::uint32_t operation, const NotifyIconRecord* record);

}  // namespace platform
