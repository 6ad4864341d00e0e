// How the layer's parts let go of what they hold, without knowing each
// other: each part registers its own clean-up here the first time it holds
// something, and this list, which knows nobody, runs them.
//
// At the end, the parts let go in one fixed order, by stage: device contexts
// (nothing draws any more), notification icons (nothing is shown in the
// panel or answers on the bus), timers (nothing ticks), windows and dialogs
// (no widget is left), the instance link (no socket listens or connects),
// icons, the message queue (no message is left to retrieve), and last the
// caches of texts. It runs while the QApplication still exists: the first
// registration has it run as the application ends, and the process entry
// runs it before that; running it again is harmless.
//
// Whatever a part keeps that holds Qt objects lives on the heap until the
// process ends and is never destroyed by the static destructors: Qt itself
// ends the process with exit() when the display goes away, from inside the
// event loop, and deleting widgets then would talk to a display that is
// gone. ShutDownLayer empties all of it on every ordinary way out.
//
// A window that goes is forgotten by every part that holds something of it
// (its timers, queued messages, device contexts, notification icons, its
// listening socket), each through the forgetting it registered.
#pragma once

#include "platform/types.h"

namespace platform::qt {

enum class LayerStage {
    DeviceContexts,
    NotificationIcons,
    Timers,
    Windows,
    InstanceLink,
    Icons,
    MessageQueue,
    Caches,
};

using CleanUp = void (*)();
using WindowForgetting = void (*)(const WindowObject* window);

// Runs `cleanUp` at `stage` of ShutDownLayer; registering it again does
// nothing.
void CleanUpAtLayerEnd(LayerStage stage, CleanUp cleanUp);

// Runs every registered clean-up, stage by stage, and forgets them all.
void ShutDownLayer();

// Has `forget` told of every window that goes; registering it again does
// nothing.
void ForgetWindowsThrough(WindowForgetting forget);

// Tells every part that `window` (a dialog with its controls, or a control)
// is gone.
void ForgetWindowEverywhere(const WindowObject* window);

}  // namespace platform::qt
