// Windows: finding, showing, activating, destroying, messages sent at once,
// and the dialog's controls. The program's windows are one dialog and its
// static controls; a dialog of another process, found by its title through
// the single-instance service, can be shown and brought to the front.
#include "platform/window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <string_view>

#include "platform/qt/base/activation.h"
#include "platform/qt/base/lifetime.h"
#include "platform/qt/base/qt_text.h"
#include "platform/qt/base/x11_connection.h"
#include "platform/qt/dialogs/dialog_manager.h"
#include "platform/qt/instance/single_instance.h"
#include "platform/qt/surfaces/dialog_frame.h"
#include "platform/qt/surfaces/static_control.h"
#include "platform/qt/windows/window_object.h"

namespace platform::qt {

namespace {

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

void ShowDialog(WindowObject& dialog, bool wasVisible) {
    KeepInsideWorkArea(*dialog.frame);
    // Becoming visible, the dialog and its controls paint themselves: what
    // device contexts drew before is gone.
    if (!wasVisible) PaintDialogItself(&dialog);
    dialog.frame->show();
    BringToFront(*dialog.frame);
}

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

WindowObject* LiveDialog(WindowHandle handle) {
    WindowObject* window = LiveLocalWindow(handle);
    return window != nullptr && window->kind == WindowObject::Kind::Dialog ? window : nullptr;
}

}  // namespace

}  // namespace platform::qt

namespace platform {

using namespace platform::qt;

WindowHandle FindTopLevelWindow(const char16_t* title) {
    if (title == nullptr) return nullptr;
    for (const auto& dialog : Dialogs()) {
        if (!dialog->destroying && LiveLocalWindow(dialog.get()) != nullptr &&
            dialog->text == title) {
            return dialog.get();
        }
    }
    if (QCoreApplication::instance() == nullptr) return nullptr;
    // Another process's dialog answers through the single-instance service.
    return FindRunningInstance(title);
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

// Every command but SHOW_HIDE shows the dialog and brings it to the front.
bool ShowWindow(WindowHandle window, std::int32_t command) {
    WindowObject* target = LiveWindow(window);
    if (target == nullptr) return false;
    if (target->kind == WindowObject::Kind::Remote) {
        // Whether it was visible is not known here.
        if (command != SHOW_HIDE) HandToRunningInstance(target, InstanceRequest::Show);
        return false;
    }
    if (target->kind != WindowObject::Kind::Dialog || target->destroying) return false;
    const bool wasVisible = target->visible;
    const bool show = command != SHOW_HIDE;
    // The procedure hears of the change before it happens.
    if (show != wasVisible) {
        DeliverMessage(target, WM_SHOWWINDOW, show ? 1 : 0, 0);
        if (LiveLocalWindow(window) == nullptr || target->destroying) return wasVisible;
    }
    target->visible = show;
    if (show) {
        ShowDialog(*target, wasVisible);
    } else {
        target->frame->hide();
    }
    return wasVisible;
}

bool SetForegroundWindow(WindowHandle window) {
    WindowObject* target = LiveWindow(window);
    if (target == nullptr) return false;
    if (target->kind == WindowObject::Kind::Remote) {
        return HandToRunningInstance(target, InstanceRequest::Foreground);
    }
    if (target->kind != WindowObject::Kind::Dialog || target->destroying) return false;
    BringToFront(*target->frame);
    return true;
}

WindowHandle GetForegroundWindow() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
    const QWidget* active = ActiveFrame();
    if (active == nullptr) return nullptr;
    for (const auto& dialog : Dialogs()) {
        if (dialog->frame == active && LiveLocalWindow(dialog.get()) != nullptr)
            return dialog.get();
    }
    return nullptr;
}

bool IsWindowVisible(WindowHandle window) {
    const WindowObject* target = LiveLocalWindow(window);
    if (target == nullptr) return false;
    if (target->kind == WindowObject::Kind::Control)
        return target->visible && target->dialog->visible;
    return target->visible;
}

bool DestroyWindow(WindowHandle window) {
    WindowObject* target = LiveDialog(window);
    if (target == nullptr || target->destroying) return false;
    target->destroying = true;
    // Hidden without a show-window message, then told, as the platform does.
    target->visible = false;
    target->frame->hide();
    DeliverMessage(target, WM_DESTROY, 0, 0);
    // No timer, message, drawing, icon or listening socket of it survives.
    ForgetWindowEverywhere(target);
    DiscardDialog(target);
    return true;
}

std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t first,
                          std::intptr_t second) {
    WindowObject* target = LiveLocalWindow(window);
    return target != nullptr ? DeliverMessage(target, message, first, second) : 0;
}

bool SetDialogItemText(WindowHandle dialog, std::int32_t id, const char16_t* text) {
    WindowObject* control = FindControl(LiveDialog(dialog), id);
    if (control == nullptr) return false;
    const std::u16string_view newText =
        text != nullptr ? std::u16string_view(text) : std::u16string_view();
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

WindowHandle GetDialogItem(WindowHandle dialog, std::int32_t id) {
    return FindControl(LiveDialog(dialog), id);
}

bool GetClientRect(WindowHandle window, Rect* rect) {
    const QWidget* surface = SurfaceOf(LiveLocalWindow(window));
    if (rect == nullptr || surface == nullptr) return false;
    *rect = Rect{0, 0, surface->width(), surface->height()};
    return true;
}

}  // namespace platform
