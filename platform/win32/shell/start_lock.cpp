#include "platform/win32/shell/start_lock.h"

#include "platform/win32/windows_api.h"

namespace platform::win32 {
namespace {

HANDLE startLock = nullptr;
bool held = false;

}  // namespace

void TakeStartLock() {
    if (startLock != nullptr) return;
    startLock = CreateMutexW(nullptr, FALSE, Wide(u"Local\\Velorwind start-up"));
    if (startLock == nullptr) return;
    // An abandoned lock (a start that crashed) is taken over as it stands.
    const DWORD waited = WaitForSingleObject(startLock, START_LOCK_WAIT_MS);
    held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

void ReleaseStartLock() {
    if (startLock == nullptr) return;
    if (held) ReleaseMutex(startLock);
    CloseHandle(startLock);
    startLock = nullptr;
    held = false;
}

}  // namespace platform::win32
