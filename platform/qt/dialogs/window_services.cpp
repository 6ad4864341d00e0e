// Windows: finding, showing, activating, destroying, messages sent at once,
// and the dialog's controls.
#include "platform/window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <string_view>

#include "platform/qt/base/activation.h"
#include "platform/qt/base/lifetime.h"
#include "platform/qt/surfaces/dialog_frame.h"
#include "platform/qt/dialogs/dialog_manager.h"
#include "platform/qt/link/instance_link.h"
#include "platform/qt/base/qt_text.h"
#include "platform/qt/surfaces/static_control.h"
#include "platform/qt/windows/window_object.h"
#include "platform/qt/base/x11_connection.h"

namespace platform::qt {

namespace {

// Show commands beyond those declared in window.h.
constexpr std::int32_t SHOW_MINIMIZED = 2;
constexpr std::int32_t SHOW_MAXIMIZED = 3;
constexpr std::int32_t SHOW_NO_ACTIVATE = 4;
constexpr std::int32_t SHOW_MINIMIZE = 6;
constexpr std::int32_t SHOW_MINIMIZED_NO_ACTIVATE = 7;
constexpr std::int32_t SHOW_NA = 8;
constexpr std::int32_t SHOW_RESTORE = 9;
constexpr std::int32_t SHOW_DEFAULT = 10;

// The class of dialogs, by name and as the atom a small pointer value stands for.
constexpr std::u16string_view DIALOG_CLASS_NAME = u"#32770";
constexpr std::uintptr_t DIALOG_CLASS_ATOM = 0x8002;
constexpr std::uintptr_t LARGEST_ATOM = 0xFFFF;

bool IsShowCommand(std::int32_t command) { return command >= SHOW_HIDE && command <= SHOW_DEFAULT; }

bool Activates(std::int32_t command) {
    return command != SHOW_NO_ACTIVATE && command != SHOW_NA &&
           command != SHOW_MINIMIZED_NO_ACTIVATE && command != SHOW_MINIMIZE;
}

bool Minimizes(std::int32_t command) {
    return command == SHOW_MINIMIZED || command == SHOW_MINIMIZE ||
           command == SHOW_MINIMIZED_NO_ACTIVATE;
}

bool NamesDialogClass(const char16_t* className) {
    const auto value = reinterpret_cast<std::uintptr_t>(className);
    if (value <= LARGEST_ATOM) return value == DIALOG_CLASS_ATOM;
    return std::u16string_view(className) == DIALOG_CLASS_NAME;
}

// The work area of the screen the dialog is on: the screen less the space
// that panels reserve. A dialog whose centre is on no screen (one that
// shrank or went while it was hidden) belongs to the screen Qt gave it.
QRect WorkAreaAround(const QWidget& frame) {
    const QScreen* screen = QGuiApplication::screenAt(frame.frameGeometry().center());
    if (screen == nullptr) screen = frame.screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

// A dialog that would show with any part outside the work area moves inside
// it, as little as it takes; one larger than the work area keeps its top
// left corner, and so its caption, in it. One already inside stays where
// the user or the window manager put it. Panels that start or grow while
// the program runs are met at the next show.
void KeepInsideWorkArea(QWidget& frame) {
    const QRect area = WorkAreaAround(frame);
    const QRect placed = frame.frameGeometry();
    if (area.isEmpty() || area.contains(placed)) return;
    const int x = std::max(area.left(), std::min(placed.left(), area.right() + 1 - placed.width()));
    const int y = std::max(area.top(), std::min(placed.top(), area.bottom() + 1 - placed.height()));
    frame.move(frame.pos() + QPoint(x, y) - placed.topLeft());
}

void ShowDialog(WindowObject& dialog, std::int32_t command, bool wasVisible) {
    DialogFrame& frame = *dialog.frame;
    if (!Minimizes(command)) KeepInsideWorkArea(frame);
    // Becoming visible, the dialog and its controls paint themselves: what
    // device contexts drew before is gone.
    if (!wasVisible) PaintDialogItself(&dialog);
    frame.setAttribute(Qt::WA_ShowWithoutActivating, !Activates(command));
    if (Minimizes(command)) {
        frame.showMinimized();
    } else if (command == SHOW_MAXIMIZED || command == SHOW_RESTORE || command == SHOW_NORMAL) {
        frame.showNormal();
    } else {
        frame.show();
    }
    if (Activates(command)) BringToFront(frame);
}

void ShowControl(WindowObject& control, bool show) {
    if (show && !control.visible) control.control->PaintItself();
    control.control->setVisible(show);
}

// The window is gone from the layer: no timer, message, drawing, icon or
// listening socket of it survives.
void ForgetWindow(WindowObject* window) { ForgetWindowEverywhere(window); }

// The window that has the keyboard. An X server is asked (see
// x11_connection.h). Elsewhere the widgets' active window answers; the window
// system's focus window stands in when the widgets have none, as after a
// dialog hidden and shown again quickly: the widgets forget their active
// window on hiding and are not told again when the focus never moved.
const QWidget* ActiveFrame() {
    const std::optional<WId> x11Focus = X11InputFocus();
    if (!x11Focus) {
        if (const QWidget* active = QApplication::activeWindow()) return active;
    }
    const QWindow* focus = QGuiApplication::focusWindow();
    for (const auto& dialog : Dialogs()) {
        const QWidget* frame = dialog->frame;
        if (frame == nullptr || !frame->isVisible()) continue;
        const bool focused = x11Focus ? frame->internalWinId() == *x11Focus && *x11Focus != 0
                                      : focus != nullptr && frame->windowHandle() == focus;
        if (focused) return frame;
    }
    return nullptr;
}

WindowObject* OwnedDialogOf(const WindowObject* owner) {
    for (const auto& dialog : Dialogs()) {
        if (dialog->owner == owner && !dialog->destroying) return dialog.get();
    }
    return nullptr;
}

bool DestroyControl(WindowObject* control) {
    WindowObject* dialog = control->dialog;
    ForgetWindow(control);
    UnregisterWindow(control);
    delete control->control;
    auto& controls = dialog->controls;
    controls.erase(std::find_if(controls.begin(), controls.end(),
                                [control](const auto& owned) { return owned.get() == control; }));
    return true;
}

}  // namespace

}  // namespace platform::qt

namespace platform {

using namespace platform::qt;

WindowHandle FindTopLevelWindow(const char16_t* className, const char16_t* title) {
    if (className != nullptr && !NamesDialogClass(className)) return nullptr;
    const auto& dialogs = Dialogs();
    // The most recent window first, as the top of the window stack.
    for (auto it = dialogs.rbegin(); it != dialogs.rend(); ++it) {
        WindowObject* dialog = it->get();
        if (dialog->destroying || LiveLocalWindow(dialog) == nullptr) continue;
        if (title == nullptr || dialog->text == title) return dialog;
    }
    if (title == nullptr || QCoreApplication::instance() == nullptr) return nullptr;
    return FindRemoteWindow(title);
}

bool QueryWorkArea(Rect* area) {
    if (area == nullptr || QGuiApplication::instance() == nullptr) return false;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return false;
    const QRect available = screen->availableGeometry();
    *area = Rect{available.left(), available.top(), available.left() + available.width(),
                 available.top() + available.height()};
    return true;
}

bool ShowWindow(WindowHandle window, std::int32_t command) {
    WindowObject* target = LiveWindow(window);
    if (target == nullptr) return false;
    if (target->kind == WindowObject::Kind::Remote) {
        // Only showing travels to another process; whether it was visible
        // is not known here.
        if (command == SHOW_SHOW || command == SHOW_NORMAL) SendRemoteRequest(target, "show");
        return false;
    }
    const bool wasVisible = target->visible;
    if (!IsShowCommand(command) || target->destroying) return wasVisible;
    const bool show = command != SHOW_HIDE;

    if (target->kind == WindowObject::Kind::Control) {
        ShowControl(*target, show);
        target->visible = show;
        return wasVisible;
    }
    // The procedure hears of the change before it happens.
    if (show != wasVisible) {
        DeliverMessage(target, WM_SHOWWINDOW, show ? 1 : 0, 0);
        if (LiveLocalWindow(window) == nullptr || target->destroying) return wasVisible;
    }
    target->visible = show;
    if (show) {
        ShowDialog(*target, command, wasVisible);
    } else {
        target->frame->hide();
    }
    return wasVisible;
}

bool SetForegroundWindow(WindowHandle window) {
    WindowObject* target = LiveWindow(window);
    if (target == nullptr) return false;
    if (target->kind == WindowObject::Kind::Remote) return SendRemoteRequest(target, "foreground");
    if (target->kind != WindowObject::Kind::Dialog || target->destroying) return false;
    BringToFront(*target->frame);
    return true;
}

WindowHandle GetForegroundWindow() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
    const QWidget* active = ActiveFrame();
    if (active == nullptr) return nullptr;
    for (const auto& dialog : Dialogs()) {
        if (dialog->frame == active && LiveLocalWindow(dialog.get()) != nullptr) return dialog.get();
    }
    return nullptr;
}

bool IsWindowVisible(WindowHandle window) {
    const WindowObject* target = LiveLocalWindow(window);
    if (target == nullptr) return false;
    if (target->kind == WindowObject::Kind::Control) return target->visible && target->dialog->visible;
    return target->visible;
}

bool DestroyWindow(WindowHandle window) {
    WindowObject* target = LiveLocalWindow(window);
    if (target == nullptr || target->destroying) return false;
    if (target->kind == WindowObject::Kind::Control) return DestroyControl(target);

    target->destroying = true;
    // Owned dialogs go first: their frames are Qt children of this one.
    for (WindowObject* owned = OwnedDialogOf(target); owned != nullptr; owned = OwnedDialogOf(target)) {
        DestroyWindow(owned);
    }
    // Hidden without a show-window message, then told, as the platform does.
    target->visible = false;
    target->frame->hide();
    DeliverMessage(target, WM_DESTROY, 0, 0);
    ForgetWindow(target);
    DiscardDialog(target);
    return true;
}

std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t first,
                          std::intptr_t second) {
    WindowObject* target = LiveLocalWindow(window);
    return target != nullptr ? DeliverMessage(target, message, first, second) : 0;
}

bool SetDialogItemText(WindowHandle dialog, std::int32_t id, const char16_t* text) {
    WindowObject* control = FindControl(LiveLocalWindow(dialog), id);
    if (control == nullptr) return false;
    const std::u16string_view newText = text != nullptr ? std::u16string_view(text)
                                                         : std::u16string_view();
    // The refresh sets every field once a second, most of them to what they
    // already show; repainting those would only redraw the same pixels. A
    // control drawn over through a device context does repaint, as setting
    // its text always wipes such drawing.
    if (newText == control->text && !control->drawnThrough) return true;
    control->text = newText;
    control->control->SetText(ToQString(control->text));
    control->drawnThrough = false;
    return true;
}

std::size_t GetDialogItemText(WindowHandle dialog, std::int32_t id, char16_t* target,
                              std::size_t capacity) {
    if (target == nullptr || capacity == 0) return 0;
    const WindowObject* control = FindControl(LiveLocalWindow(dialog), id);
    const std::size_t count = control != nullptr ? std::min(control->text.size(), capacity - 1) : 0;
    if (count > 0) control->text.copy(target, count);
    target[count] = u'\0';
    return count;
}

WindowHandle GetDialogItem(WindowHandle dialog, std::int32_t id) {
    return FindControl(LiveLocalWindow(dialog), id);
}

bool GetClientRect(WindowHandle window, Rect* rect) {
    WindowObject* target = LiveLocalWindow(window);
    const QWidget* surface = SurfaceOf(target);
    if (rect == nullptr || surface == nullptr) return false;
    *rect = Rect{0, 0, surface->width(), surface->height()};
    return true;
}

}  // namespace platform
