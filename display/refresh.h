// Copies the two status records into the status dialog.
#pragma once

#include "platform/types.h"

namespace display {

// Rebuilds the power and memory records and puts every value into the
// dialog: nine power fields, four card labels and eight gauges, each one on
// every call whether or not it changed.
void RefreshStatus(platform::WindowHandle dialog);

// Empties the gauge controls' own texts, so that a gauge control that paints
// itself shows no stale template placeholder.
void ClearGaugeTexts(platform::WindowHandle dialog);

}  // namespace display
