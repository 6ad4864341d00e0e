// The thread's message queue: the Windows API's own. The platform's message
// record holds what the program reads of a message; a message handed back
// for filtering or dispatch gets the time and pointer position of the last
// retrieved message, which is the one being handled.

#include "platform/win32/shell/start_lock.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

MSG ToMsg(const MessageRecord& record) {
    MSG message{};
    message.hwnd = win32::ToHwnd(record.window);
    message.message = record.message;
    message.wParam = record.first;
    message.lParam = record.second;
    message.time = static_cast<DWORD>(GetMessageTime());
    const DWORD position = GetMessagePos();
    message.pt = POINT{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    return message;
}

}  // namespace

std::int32_t RetrieveMessage(MessageRecord* record) {
    if (record == nullptr) return -1;
    // The program is up (or has given up) once it waits for messages: a
    // second start may look for it now.
    win32::ReleaseStartLock();
    MSG message{};
    const BOOL result = GetMessageW(&message, nullptr, 0, 0);
    if (result == -1) return -1;
    *record = MessageRecord{win32::FromHwnd(message.hwnd), message.message, message.wParam,
                            message.lParam};
    return result != 0 ? 1 : 0;
}

bool FilterDialogMessage(WindowHandle dialog, MessageRecord* record) {
    if (dialog == nullptr || record == nullptr) return false;
    MSG message = ToMsg(*record);
    return IsDialogMessageW(win32::ToHwnd(dialog), &message) != FALSE;
}

bool TranslateMessage(const MessageRecord* record) {
    if (record == nullptr) return false;
    const MSG message = ToMsg(*record);
    return ::TranslateMessage(&message) != FALSE;
}

std::intptr_t DispatchMessage(const MessageRecord* record) {
    if (record == nullptr) return 0;
    const MSG message = ToMsg(*record);
    return DispatchMessageW(&message);
}

bool PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t first,
                 std::intptr_t second) {
    return PostMessageW(win32::ToHwnd(window), message, first, second) != FALSE;
}

void PostQuitMessage(std::int32_t exitCode) { ::PostQuitMessage(exitCode); }

}  // namespace platform
