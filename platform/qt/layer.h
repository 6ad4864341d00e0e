// The layer as a whole.
//
// Whatever the layer keeps that holds Qt objects (windows, timers, icons,
// notification icons, device contexts) lives on the heap until the process
// ends and is never destroyed by the static destructors: Qt itself ends the
// process with exit() when the display goes away, from inside the event
// loop, and deleting widgets then would talk to a display that is gone.
// ShutDownLayer empties all of it on every ordinary way out.
#pragma once

namespace platform::qt {

// Lets go of everything the layer holds: windows (without messages),
// timers, contexts, icons, notification icons, links to other processes and
// the queue. It must run while the QApplication still exists; the first
// window, timer or icon registers it to run as the application ends, and
// the process entry calls it before that. Running it twice is harmless.
void ShutDownLayer();

// Makes ShutDownLayer run when the QApplication is destroyed.
void ShutDownWithApplication();

}  // namespace platform::qt
