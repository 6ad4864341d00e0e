// The layer's side of device contexts.
#pragma once

#include "platform/types.h"

namespace platform::qt {

// Ends every context of `window` (and of a dialog's controls); later calls
// with those contexts fail.
void ForgetContextsOf(const WindowObject* window);

// Ends every context; for shutting the layer down.
void ReleaseAllContexts();

}  // namespace platform::qt
