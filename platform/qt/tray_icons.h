// The layer's side of notification icons.
#pragma once

#include "platform/types.h"

namespace platform::qt {

// Removes the icons a window owns, which could only ever post to a window
// that no longer exists.
void RemoveTrayIconsOf(const WindowObject* window);

// Removes every icon; for shutting the layer down.
void RemoveAllTrayIcons();

}  // namespace platform::qt
