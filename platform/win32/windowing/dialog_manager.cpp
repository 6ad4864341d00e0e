// Modeless dialogs from the program's templates, answered by the program's
// dialog procedures.
//
// The Windows dialog manager creates the dialog; a procedure of the back end
// stands between it and the program's procedure. It answers first what only
// the back end knows about (the shell's messages for the notification icon,
// the caption's minimise button that stands for OK), then hands every other
// message on and turns the answer into the dialog manager's.

#include <new>

#include "platform/win32/shell/notify_icons.h"
#include "platform/win32/windowing/dialog_face.h"
#include "platform/win32/windowing/dialog_template.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

struct DialogBinding {
    DialogProcedure procedure;
    bool captionOk;
};

// The binding of the dialog being created, until its first message takes it.
DialogBinding* creating = nullptr;

DialogBinding* BindingOf(HWND dialog) {
    auto* binding = reinterpret_cast<DialogBinding*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (binding == nullptr && creating != nullptr) {
        binding = creating;
        creating = nullptr;
        SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(binding));
    }
    return binding;
}

bool IsMinimiseRequest(UINT message, WPARAM first) {
    return message == WM_SYSCOMMAND && (first & 0xFFF0) == SC_MINIMIZE;
}

INT_PTR CALLBACK AnswerDialogMessage(HWND dialog, UINT message, WPARAM first, LPARAM second) {
    DialogBinding* binding = BindingOf(dialog);
    if (binding == nullptr) return FALSE;
    if (binding->captionOk && IsMinimiseRequest(message, first)) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(COMMAND_OK, 0), 0);
        return TRUE;
    }
    if (win32::AnswerShellMessage(dialog, message, first, second)) return TRUE;

    const DialogProcedure procedure = binding->procedure;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        delete binding;
    }
    return procedure(win32::FromHwnd(dialog), message, first, second) ? TRUE : FALSE;
}

}  // namespace

WindowHandle CreateModelessDialog(InstanceHandle instance, const void* dialogTemplate,
                                  std::size_t templateBytes, WindowHandle parent,
                                  DialogProcedure procedure, std::intptr_t parameter) {
    if (procedure == nullptr) return nullptr;
    const std::optional<win32::DesktopTemplate> adapted =
        win32::AdaptDialogTemplate(dialogTemplate, templateBytes, win32::DialogFace());
    if (!adapted) return nullptr;
    creating = new (std::nothrow) DialogBinding{procedure, adapted->captionOk};
    if (creating == nullptr) return nullptr;
    HWND dialog = CreateDialogIndirectParamW(
        win32::ToHinstance(instance), reinterpret_cast<LPCDLGTEMPLATEW>(adapted->bytes.data()),
        win32::ToHwnd(parent), AnswerDialogMessage, parameter);
    // A creation that failed before the dialog's first message leaves the
    // binding untaken.
    delete creating;
    creating = nullptr;
    return win32::FromHwnd(dialog);
}

}  // namespace platform
