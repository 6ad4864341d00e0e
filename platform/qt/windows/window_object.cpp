#include "platform/qt/windows/window_object.h"

#include <algorithm>
#include <unordered_set>

#include "platform/qt/base/lifetime.h"
#include "platform/qt/surfaces/dialog_frame.h"
#include "platform/qt/surfaces/static_control.h"

namespace platform {

WindowObject::WindowObject(Kind windowKind) : kind(windowKind) {}

// Defined here, where the owned types are complete. A dialog's frame owns
// every control widget, so deleting it leaves no widget of a deleted window.
WindowObject::~WindowObject() { delete frame; }

}  // namespace platform

namespace platform::qt {

namespace {

std::unordered_set<const WindowObject*>& Registry() {
    static std::unordered_set<const WindowObject*> registry;
    return registry;
}

std::vector<std::unique_ptr<WindowObject>>& DialogList() {
    static auto* dialogs =
        new std::vector<std::unique_ptr<WindowObject>>();  // kept: see lifetime.h
    return *dialogs;
}

}  // namespace

WindowObject* LiveWindow(WindowHandle handle) {
    if (handle == nullptr || Registry().count(handle) == 0) return nullptr;
    return handle;
}

WindowObject* LiveLocalWindow(WindowHandle handle) {
    WindowObject* window = LiveWindow(handle);
    return window != nullptr && window->kind != WindowObject::Kind::Remote ? window : nullptr;
}

void RegisterWindow(WindowObject* window) { Registry().insert(window); }

void UnregisterWindow(WindowObject* window) { Registry().erase(window); }

namespace {

// Deletes every dialog without any message.
void DiscardAllDialogs() {
    while (!DialogList().empty()) DiscardDialog(DialogList().back().get());
}

}  // namespace

WindowObject* AdoptDialog(std::unique_ptr<WindowObject> dialog) {
    CleanUpAtLayerEnd(LayerStage::Windows, DiscardAllDialogs);
    DialogList().push_back(std::move(dialog));
    return DialogList().back().get();
}

void DiscardDialog(WindowObject* dialog) {
    for (const auto& control : dialog->controls) UnregisterWindow(control.get());
    UnregisterWindow(dialog);
    auto& dialogs = DialogList();
    const auto found = std::find_if(dialogs.begin(), dialogs.end(),
                                    [dialog](const auto& owned) { return owned.get() == dialog; });
    if (found != dialogs.end()) dialogs.erase(found);
}

const std::vector<std::unique_ptr<WindowObject>>& Dialogs() { return DialogList(); }

WindowObject* FindControl(WindowObject* dialog, std::int32_t id) {
    if (dialog == nullptr || dialog->kind != WindowObject::Kind::Dialog) return nullptr;
    // Template identifiers are 16-bit: -1 and 0xFFFF are the same control.
    if (id < -0x8000 || id > 0xFFFF) return nullptr;
    const auto wanted = static_cast<std::uint16_t>(id);
    for (const auto& control : dialog->controls) {
        if (control->id == wanted) return control.get();
    }
    return nullptr;
}

bool BelongsToDialog(const WindowObject* window, const WindowObject* dialog) {
    return window != nullptr && dialog != nullptr && (window == dialog || window->dialog == dialog);
}

bool NamesDialogOrItsControl(WindowHandle handle, const WindowObject* dialog) {
    return handle == dialog || BelongsToDialog(LiveWindow(handle), dialog);
}

const WindowObject* ControlBefore(const WindowObject* control) {
    if (control == nullptr || control->kind != WindowObject::Kind::Control) return nullptr;
    const WindowObject* previous = nullptr;
    for (const auto& sibling : control->dialog->controls) {
        if (sibling.get() == control) return previous;
        previous = sibling.get();
    }
    return nullptr;
}

SurfaceWidget* SurfaceOf(WindowObject* window) {
    if (window == nullptr) return nullptr;
    if (window->kind == WindowObject::Kind::Control) return window->control;
    if (window->kind == WindowObject::Kind::Dialog && window->frame != nullptr) {
        return window->frame->Client();
    }
    return nullptr;
}

}  // namespace platform::qt
