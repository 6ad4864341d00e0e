// What an icon handle points at, and the registry of loaded icons.
#pragma once

#include <QIcon>
#include <QImage>

#include "platform/types.h"

namespace platform {

struct IconObject {
    QImage image;
    QIcon icon;
    // Every image of the icon's group, for a notification area that asks
    // for a size of its own (a 22- or 24-pixel panel scales the 32-pixel
    // image down rather than the 16-pixel one up).
    QIcon family;
};

}  // namespace platform

namespace platform::qt {

// The live icon a handle names, or null for anything else.
IconObject* LiveIcon(IconHandle handle);

}  // namespace platform::qt
