// What a window handle points at, and the registry of live windows.
//
// A handle is only ever dereferenced after the registry has confirmed that
// it names a live window, so a stale or made-up handle is refused instead of
// read.
#pragma once

#include <QFont>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/base/dialog_units.h"
#include "platform/window.h"

namespace platform::qt {
class DialogFrame;
class StaticControl;
class SurfaceWidget;
}  // namespace platform::qt

namespace platform {

struct WindowObject {
    enum class Kind { Dialog, Control, Remote };

    explicit WindowObject(Kind kind);
    ~WindowObject();
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    const Kind kind;
    InstanceHandle instance = nullptr;
    bool visible = false;
    bool destroying = false;
    // A dialog's title or a control's own text.
    std::u16string text;

    // Dialogs.
    DialogProcedure procedure = nullptr;
    qt::DialogFrame* frame = nullptr;  // owned
    QFont font;
    QFont contextFont;          // what its device contexts, and its controls', draw with
    int contextLineHeight = 0;  // the height of a line in contextFont
    qt::BaseUnits baseUnits{1, 1};
    std::vector<std::unique_ptr<WindowObject>> controls;  // in template order
    IconHandle bigIcon = nullptr;
    IconHandle smallIcon = nullptr;

    // Controls.
    WindowObject* dialog = nullptr;
    std::uint16_t id = 0;
    qt::StaticControl* control = nullptr;  // a child widget of the dialog's frame
    bool drawnThrough = false;             // a device context drew on it since its text was set
    // What its accessible name was made of when a value was last drawn.
    std::u16string namedCaption;
    std::u16string namedValue;

    // Another process's dialog, found by its title, is a window of kind
    // Remote; the single-instance service keeps its connection.
};

}  // namespace platform

namespace platform::qt {

// The live window a handle names, or null for anything else.
WindowObject* LiveWindow(WindowHandle handle);

// A live dialog or control of this process (not another process's window).
WindowObject* LiveLocalWindow(WindowHandle handle);

void RegisterWindow(WindowObject* window);
void UnregisterWindow(WindowObject* window);

// Takes ownership of a new dialog; dialogs are kept in creation order.
WindowObject* AdoptDialog(std::unique_ptr<WindowObject> dialog);
// Deletes a dialog taken by AdoptDialog, its controls and its widgets.
void DiscardDialog(WindowObject* dialog);
const std::vector<std::unique_ptr<WindowObject>>& Dialogs();

// The control of `dialog` with identifier `id` (compared as the 16-bit value
// the template holds), the first in template order; null if none.
WindowObject* FindControl(WindowObject* dialog, std::int32_t id);

// True when `window` is `dialog` or one of its controls.
bool BelongsToDialog(const WindowObject* window, const WindowObject* dialog);

// True when `handle` is `dialog` itself or names a live control of it: how
// a window's timers, queued messages and contexts are told apart from
// others', so that a dialog's go with it.
bool NamesDialogOrItsControl(WindowHandle handle, const WindowObject* dialog);

// The control before `control` in its dialog's template order (the caption
// of a value); null for the first or for anything but a control.
const WindowObject* ControlBefore(const WindowObject* control);

// The widget whose retained surface a device context of `window` draws into.
SurfaceWidget* SurfaceOf(WindowObject* window);

}  // namespace platform::qt
