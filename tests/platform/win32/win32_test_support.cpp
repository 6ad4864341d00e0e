#include "tests/platform/win32/win32_test_support.h"

namespace win32_test {

Recorded& Seen() {
    static Recorded seen;
    return seen;
}

bool RecordingProcedure(platform::WindowHandle window, std::uint32_t message, std::uintptr_t first,
                        std::intptr_t second) {
    Seen().messages.push_back(message);
    if (message == WM_INITDIALOG) Seen().initParameter = second;
    if (message == WM_COMMAND)
        Seen().commands.push_back(static_cast<std::uint16_t>(first & 0xFFFF));
    if (message == WM_CLOSE) DestroyWindow(platform::win32::ToHwnd(window));
    return message == WM_INITDIALOG || message == WM_TIMER || message == WM_CLOSE;
}

platform::InstanceHandle Executable() {
    return platform::win32::FromHinstance(GetModuleHandleW(nullptr));
}

HWND CreateStatusDialog(std::uint32_t id) {
    using namespace platform;
    const ResourceRecord* entry = FindResourceEntry(Executable(), id, RESOURCE_DIALOG);
    const WindowHandle dialog = CreateModelessDialog(
        Executable(), LoadResourceEntry(Executable(), entry),
        ResourceEntrySize(Executable(), entry), nullptr, RecordingProcedure, 42);
    return win32::ToHwnd(dialog);
}

}  // namespace win32_test
