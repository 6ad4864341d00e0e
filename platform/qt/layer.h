// The layer as a whole.
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
