// What the Windows back end's tests share: the executable's own instance,
// a dialog procedure that records what reaches it, and a bounded message
// pump.
#pragma once

#include "platform/win32/windows_api.h"

#include <cstdint>
#include <vector>

#include "platform/module.h"

namespace win32_test {

struct Recorded {
    std::vector<std::uint32_t> messages;
    std::vector<std::uint16_t> commands;
    std::intptr_t initParameter = -1;
};

// What RecordingProcedure saw since the last Reset.
Recorded& Seen();

// Records every message; handles initialisation and timers, and destroys
// the dialog on close, as the program's procedure does.
bool RecordingProcedure(platform::WindowHandle window, std::uint32_t message, std::uintptr_t first,
                        std::intptr_t second);

platform::InstanceHandle Executable();

// A dialog from the executable's template `id`, answered by
// RecordingProcedure, initialisation parameter 42.
HWND CreateStatusDialog(std::uint32_t id);

// Runs the program's loop steps until `done` or `milliseconds` pass.
template <typename Done>
bool PumpUntil(Done done, DWORD milliseconds, HWND dialog = nullptr) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > milliseconds) return false;
        MSG message;
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            continue;
        }
        if (dialog != nullptr && IsDialogMessageW(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

}  // namespace win32_test
