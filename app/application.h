// The application: one instance, one status dialog, one message loop.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace app {

// Lives on the entry function's stack until the loop has ended.
struct Application {
    platform::InstanceHandle instance;
    std::int32_t showCommand;
    platform::WindowHandle dialog;  // null until the dialog exists
};

// The program's instance, set when the dialog is created and read by the
// dialog's set-up for its icons. Never cleared.
extern platform::InstanceHandle globalInstance;

// The status template that fits the screen: wide only when the work area is
// strictly wider than tall; tall for a square area and when it is unknown.
std::uint32_t ChooseStatusTemplate();

// True when this instance created and showed its dialog and must run the
// loop; false when it must end now (another instance runs, or no dialog).
bool StartInstance(Application& application);

// Creates the hidden modeless status dialog from template `templateId`; its
// set-up (first refresh, timer, notification icon) is done on return. True
// when the dialog exists.
bool CreateStatusDialog(platform::WindowHandle* dialog, platform::InstanceHandle instance,
                        std::uint32_t templateId, platform::WindowHandle parent);

// Returns once the quit message arrives.
void RunMessageLoop(Application& application);

}  // namespace app
