// Building a modeless dialog from its template, and the dialog manager's
// default message handling.
#include "platform/qt/dialogs/dialog_manager.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include <optional>

#include "platform/messages.h"
#include "platform/qt/base/end_signals.h"
#include "platform/qt/base/font_check.h"
#include "platform/qt/base/lifetime.h"
#include "platform/qt/base/qt_text.h"
#include "platform/qt/instance/single_instance.h"
#include "platform/qt/resources/icon.h"
#include "platform/qt/surfaces/accessible_roles.h"
#include "platform/qt/surfaces/dialog_frame.h"
#include "platform/qt/surfaces/static_control.h"
#include "platform/qt/windows/window_object.h"
#include "platform/shared/dialog_template.h"
#include "platform/window.h"

namespace platform::qt {

namespace {

// The platform's default dialog size, for a template without a font.
constexpr int SYSTEM_FONT_POINTS = 9;
// No window is made larger than this many pixels either way: a template
// asking for more is refused rather than allocated.
constexpr int LARGEST_WINDOW_SIDE = 8192;

bool FitsOnSurface(const QSize& size) {
    return size.width() <= LARGEST_WINDOW_SIDE && size.height() <= LARGEST_WINDOW_SIDE;
}

// What this dialog manager can build: a top-level dialog of the default
// class, no menu, and static controls named by their predefined number.
bool IsBuildable(const shared::DialogTemplate& dialog) {
    using shared::TemplateName;
    if (dialog.menu.kind != TemplateName::Kind::None) return false;
    if (dialog.windowClass.kind != TemplateName::Kind::None) return false;
    if (dialog.style & STYLE_CHILD) return false;
    for (const shared::DialogItemTemplate& item : dialog.items) {
        if (item.windowClass.kind != TemplateName::Kind::Ordinal ||
            item.windowClass.ordinal != CLASS_STATIC) {
            return false;
        }
    }
    return true;
}

// Template positions of a dialog without an owner count from the work
// area's corner.
QPoint DialogPosition(const shared::DialogTemplate& dialog, const BaseUnits& units) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint origin = screen != nullptr ? screen->availableGeometry().topLeft() : QPoint();
    return origin + QPoint(HorizontalPixels(dialog.x, units), VerticalPixels(dialog.y, units));
}

QString ItemText(const shared::DialogItemTemplate& item) {
    // A numbered title names an image resource; statics show no text then.
    return item.title.kind == shared::TemplateName::Kind::Text ? ToQString(item.title.text)
                                                               : QString();
}

bool AddControl(WindowObject& dialog, const shared::DialogItemTemplate& item) {
    const QRect geometry = DialogRectToPixels(item.x, item.y, item.cx, item.cy, dialog.baseUnits);
    if (!FitsOnSurface(geometry.size())) return false;
    auto control = std::make_unique<WindowObject>(WindowObject::Kind::Control);
    control->instance = dialog.instance;
    control->dialog = &dialog;
    control->id = item.id;
    control->visible = (item.style & STYLE_VISIBLE) != 0;
    const QString text = ItemText(item);
    control->text = ToU16String(text);
    control->control =
        new StaticControl(dialog.frame->Client(), geometry, item.style, item.exStyle, dialog.font);
    control->control->setVisible(control->visible);
    control->control->SetText(text);
    dialog.controls.push_back(std::move(control));
    return true;
}

std::unique_ptr<WindowObject> BuildDialog(const shared::DialogTemplate& dialogTemplate,
                                          InstanceHandle instance, DialogProcedure procedure) {
    GiveAccessibleRoles();
    auto dialog = std::make_unique<WindowObject>(WindowObject::Kind::Dialog);
    dialog->instance = instance;
    dialog->text = dialogTemplate.title;
    dialog->procedure = procedure;
    dialog->font = dialogTemplate.hasFont
                       ? DialogFont(dialogTemplate.faceName, dialogTemplate.pointSize)
                       : DialogFont(u"System", SYSTEM_FONT_POINTS);
    dialog->contextFont = DeviceContextFont(dialog->font);
    dialog->contextLineHeight = QFontMetrics(dialog->contextFont).height();
    dialog->baseUnits = MeasureBaseUnits(dialog->font);

    const QSize clientSize(std::max(0, HorizontalPixels(dialogTemplate.cx, dialog->baseUnits)),
                           std::max(0, VerticalPixels(dialogTemplate.cy, dialog->baseUnits)));
    if (!FitsOnSurface(clientSize)) return nullptr;

    const FrameShape shape = FrameShapeOf(dialogTemplate.style, dialogTemplate.exStyle);
    dialog->frame = new DialogFrame(dialog.get(), dialog->font, shape, clientSize);
    dialog->frame->setWindowTitle(ToQString(dialogTemplate.title));
    dialog->frame->move(DialogPosition(dialogTemplate, dialog->baseUnits));
    for (const shared::DialogItemTemplate& item : dialogTemplate.items) {
        if (!AddControl(*dialog, item)) return nullptr;
    }
    return dialog;
}

QIcon CombinedIcon(const WindowObject& dialog) {
    QIcon combined;
    for (const IconHandle handle : {dialog.bigIcon, dialog.smallIcon}) {
        if (const IconObject* icon = LiveIcon(handle))
            combined.addPixmap(QPixmap::fromImage(icon->image));
    }
    return combined;
}

std::intptr_t SetWindowIcon(WindowObject& dialog, std::uintptr_t which, std::intptr_t value) {
    const auto handle = reinterpret_cast<IconHandle>(value);
    if (which > ICON_BIG || (handle != nullptr && LiveIcon(handle) == nullptr)) return 0;
    IconHandle& slot = which == ICON_BIG ? dialog.bigIcon : dialog.smallIcon;
    const IconHandle previous = slot;
    slot = handle;
    dialog.frame->setWindowIcon(CombinedIcon(dialog));
    return reinterpret_cast<std::intptr_t>(previous);
}

std::intptr_t DefaultDialogAnswer(WindowObject& dialog, std::uint32_t message, std::uintptr_t first,
                                  std::intptr_t second) {
    switch (message) {
    case WM_CLOSE:
        PostMessage(&dialog, WM_COMMAND, COMMAND_CANCEL,
                    reinterpret_cast<std::intptr_t>(GetDialogItem(&dialog, COMMAND_CANCEL)));
        return 0;
    case WM_SETICON: return SetWindowIcon(dialog, first, second);
    default: return 0;
    }
}

}  // namespace

std::intptr_t DeliverMessage(WindowObject* window, std::uint32_t message, std::uintptr_t first,
                             std::intptr_t second) {
    if (window->kind != WindowObject::Kind::Dialog) return 0;
    const WindowHandle handle = window;
    if (window->procedure != nullptr && window->procedure(handle, message, first, second)) return 1;
    // The procedure may have destroyed the dialog.
    WindowObject* still = LiveLocalWindow(handle);
    return still != nullptr ? DefaultDialogAnswer(*still, message, first, second) : 0;
}

void PaintDialogItself(WindowObject* dialog) {
    dialog->frame->Client()->PaintItself();
    for (const auto& control : dialog->controls) control->control->PaintItself();
}

}  // namespace platform::qt

namespace platform {

using namespace platform::qt;

WindowHandle CreateModelessDialog(InstanceHandle instance, const void* dialogTemplate,
                                  std::size_t templateBytes, WindowHandle parent,
                                  DialogProcedure procedure, std::intptr_t parameter) {
    // Dialogs here are top-level: the program never gives them an owner.
    if (parent != nullptr || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return nullptr;
    }
    const std::optional<shared::DialogTemplate> parsed =
        shared::ParseDialogTemplate(dialogTemplate, templateBytes);
    if (!parsed || !IsBuildable(*parsed)) return nullptr;

    std::unique_ptr<WindowObject> built = BuildDialog(*parsed, instance, procedure);
    if (!built) return nullptr;
    WindowObject* dialog = AdoptDialog(std::move(built));
    // The dialog exists only in the process that holds the single instance.
    if (!ClaimInstance(dialog)) {
        DiscardDialog(dialog);
        return nullptr;
    }
    // A process asked to end while it started shows nothing and ends.
    if (EndRequested()) {
        ForgetWindowEverywhere(dialog);
        DiscardDialog(dialog);
        return nullptr;
    }
    WarnWithoutJapaneseFont();
    RegisterWindow(dialog);
    for (const auto& control : dialog->controls) RegisterWindow(control.get());

    const WindowHandle handle = dialog;
    DeliverMessage(dialog, WM_INITDIALOG, 0, parameter);
    // A procedure that destroyed its dialog during initialisation gets none.
    if (LiveLocalWindow(handle) == nullptr) return nullptr;
    if (parsed->style & STYLE_VISIBLE) ShowWindow(handle, SHOW_SHOW);
    return handle;
}

}  // namespace platform
