// The program's own entry function, called by the platform once it is ready.
#include "platform/entry.h"

#include "app/application.h"

namespace platform {

// Every way out, a second instance or a dialog that could not be made
// included, ends the process with 0: nothing is reported.
std::int32_t ProgramEntry(InstanceHandle instance, InstanceHandle /*previous*/,
                          const char16_t* /*commandLine*/, std::int32_t showCommand) {
    app::Application application{instance, showCommand, nullptr};
    if (app::StartInstance(application)) app::RunMessageLoop(application);
    return 0;
}

}  // namespace platform
