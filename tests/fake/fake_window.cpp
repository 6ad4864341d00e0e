// Windows, dialogs and their controls.
#include <algorithm>

#include "platform/window.h"
#include "tests/fake/fake_windowing_state.h"

namespace {

using fake::detail::Deliver;
using fake::detail::Hex;
using fake::detail::Live;
using fake::detail::Name;
using fake::detail::Record;
using fake::detail::State;

platform::WindowObject* FindControl(platform::WindowHandle dialog, std::int32_t id) {
    platform::WindowObject* live = Live(dialog);
    if (live == nullptr || State().script.missingControls.contains(id)) return nullptr;
    for (platform::WindowObject* control : live->controls) {
        if (control->id == id) return control;
    }
    return nullptr;
}

}  // namespace

namespace platform {

WindowHandle FindTopLevelWindow(const char16_t* title) {
    const std::u16string asked = title != nullptr ? title : u"";
    Record("FindTopLevelWindow " + fake::Utf8(asked));
    const auto& running = State().script.runningInstanceTitle;
    if (title == nullptr || !running || *running != asked) return nullptr;
    return State().runningInstance;
}

bool QueryWorkArea(Rect* area) {
    Record("QueryWorkArea");
    if (!State().script.workArea) return false;
    *area = *State().script.workArea;
    return true;
}

WindowHandle CreateModelessDialog(InstanceHandle instance, const void* dialogTemplate,
                                  std::size_t templateBytes, WindowHandle parent,
                                  DialogProcedure procedure, std::intptr_t parameter) {
    Record("CreateModelessDialog " + std::to_string(templateBytes) +
           " bytes parent=" + Name(parent) + " parameter=" + std::to_string(parameter));
    State().creations.push_back(
        {instance, dialogTemplate, templateBytes, parent, procedure, parameter});
    if (State().script.dialogCreationFails || dialogTemplate == nullptr || templateBytes == 0) {
        return nullptr;
    }
    WindowHandle dialog = fake::detail::MakeDialog(procedure);
    // The procedure sets the dialog up before its creator sees it.
    Deliver(dialog, WM_INITDIALOG, 0, parameter);
    return dialog;
}

bool ShowWindow(WindowHandle window, std::int32_t command) {
    Record("ShowWindow " + Name(window) + " " + std::to_string(command));
    WindowObject* live = Live(window);
    if (live == nullptr) return false;
    const bool wasVisible = live->visible;
    const bool visible = command != SHOW_HIDE;
    if (visible != wasVisible) {
        Deliver(window, WM_SHOWWINDOW, visible ? 1 : 0, 0);
        live->visible = visible;
        // A hidden window cannot stay in front.
        if (!visible && State().foreground == window) State().foreground = nullptr;
    }
    return wasVisible;
}

bool SetForegroundWindow(WindowHandle window) {
    Record("SetForegroundWindow " + Name(window));
    if (Live(window) == nullptr) return false;
    State().foreground = window;
    return true;
}

WindowHandle GetForegroundWindow() {
    Record("GetForegroundWindow");
    return State().foreground;
}

bool IsWindowVisible(WindowHandle window) {
    Record("IsWindowVisible " + Name(window));
    const WindowObject* live = Live(window);
    return live != nullptr && live->visible;
}

bool DestroyWindow(WindowHandle window) {
    Record("DestroyWindow " + Name(window));
    WindowObject* live = Live(window);
    if (live == nullptr) return false;
    Deliver(window, WM_DESTROY, 0, 0);
    live->destroyed = true;
    live->visible = false;
    for (WindowObject* control : live->controls) control->destroyed = true;
    if (State().foreground == window) State().foreground = nullptr;
    // A window's timers end with it.
    std::erase_if(State().timers, [&](const fake::Timer& timer) { return timer.window == window; });
    return true;
}

std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t first,
                          std::intptr_t second) {
    Record("SendMessage " + Name(window) + " " + Hex(message) + " " + std::to_string(first));
    WindowObject* live = Live(window);
    if (live == nullptr) return 0;
    if (Deliver(window, message, first, second) != 0) return 1;
    // What the dialog procedure leaves, the window manager does itself.
    if (message == WM_SETICON) {
        IconHandle& slot = first == ICON_BIG ? live->bigIcon : live->smallIcon;
        const IconHandle previous = slot;
        slot = reinterpret_cast<IconHandle>(second);
        return reinterpret_cast<std::intptr_t>(previous);
    }
    return 0;
}

bool SetDialogItemText(WindowHandle dialog, std::int32_t id, const char16_t* text) {
    const std::u16string value = text != nullptr ? text : u"";
    Record("SetDialogItemText " + std::to_string(id) + " " + fake::Utf8(value));
    State().itemTexts.push_back({id, value, text});
    WindowObject* control = FindControl(dialog, id);
    if (control == nullptr) return false;
    control->text = value;
    return true;
}

WindowHandle GetDialogItem(WindowHandle dialog, std::int32_t id) {
    Record("GetDialogItem " + std::to_string(id));
    return FindControl(dialog, id);
}

bool GetClientRect(WindowHandle window, Rect* rect) {
    Record("GetClientRect " + Name(window));
    const WindowObject* live = Live(window);
    if (live == nullptr || State().script.controlsWithoutRect.contains(live->id)) return false;
    *rect = live->client;
    return true;
}

}  // namespace platform
