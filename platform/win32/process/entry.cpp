// The process entry of the Windows program: the program's entry function,
// given the executable's instance and the start-up show command, between
// taking and giving up the start-up lock.

#include "platform/entry.h"
#include "platform/win32/shell/start_lock.h"
#include "platform/win32/windows_api.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int showCommand) {
    using namespace platform::win32;
    TakeStartLock();
    const std::int32_t result = platform::ProgramEntry(
        FromHinstance(instance), FromHinstance(previous), Utf16(commandLine), showCommand);
    ReleaseStartLock();
    return result;
}
