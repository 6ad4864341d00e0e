// What an icon handle points at, and the registry of loaded icons.
#pragma once

#include <QIcon>
#include <QImage>

#include "platform/types.h"

namespace platform {

struct IconObject {
    QImage image;
    QIcon icon;
};

}  // namespace platform

namespace platform::qt {

// The live icon a handle names, or null for anything else.
IconObject* LiveIcon(IconHandle handle);

// Forgets every icon; for shutting the layer down.
void ReleaseIcons();

}  // namespace platform::qt
