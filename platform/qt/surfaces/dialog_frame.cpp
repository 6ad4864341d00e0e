#include "platform/qt/surfaces/dialog_frame.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>

#include "platform/messages.h"
#include "platform/qt/base/system_colours.h"
#include "platform/qt/surfaces/caption_bar.h"
#include "platform/qt/surfaces/surface_widget.h"
#include "platform/window.h"

namespace platform::qt {

namespace {

void PostDialogKey(WindowHandle dialog, int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        PostMessage(dialog, WM_KEYDOWN, KEY_RETURN, 0);
    } else if (key == Qt::Key_Escape) {
        PostMessage(dialog, WM_KEYDOWN, KEY_ESCAPE, 0);
    }
}

constexpr std::uint32_t STYLE_BORDER = 0x00800000;
constexpr std::uint32_t STYLE_DIALOG_FRAME = 0x00400000;
constexpr std::uint32_t STYLE_THICK_FRAME = 0x00040000;

}  // namespace

FrameShape FrameShapeOf(std::uint32_t style, std::uint32_t exStyle) {
    FrameShape shape;
    const bool framed =
        (style & (STYLE_BORDER | STYLE_DIALOG_FRAME | STYLE_THICK_FRAME | STYLE_MODAL_FRAME)) != 0;
    shape.border = framed ? 1 : 0;
    shape.caption = (style & STYLE_CAPTION) == STYLE_CAPTION;
    shape.okButton = shape.caption && (exStyle & EXSTYLE_CAPTION_OK) != 0;
    shape.closeButton = shape.caption && (style & STYLE_SYSTEM_MENU) != 0;
    return shape;
}

DialogFrame::DialogFrame(WindowHandle dialog, const QFont& font, const FrameShape& shape,
                         const QSize& clientSize)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      dialog_(dialog),
      border_(shape.border) {
    setFont(font);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);

    int top = border_;
    if (shape.caption) {
        caption_ = new CaptionBar(this, dialog, shape.okButton, shape.closeButton, font);
        caption_->setGeometry(border_, top, clientSize.width(), CaptionBar::HeightFor(font));
        top += caption_->height();
    }
    client_ = new DialogClient(this, QRect(QPoint(border_, top), clientSize));
    setFixedSize(clientSize.width() + 2 * border_, top + clientSize.height() + border_);
}

bool DialogFrame::event(QEvent* event) {
    // Every key, Tab included, is the dialog's: Qt's focus moving is not.
    // The dialog answers Enter and Escape alone (commands 1 and 2), so only
    // their presses become messages.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (event->type() == QEvent::KeyPress) PostDialogKey(dialog_, key->key());
        return true;
    }
    return QWidget::event(event);
}

void DialogFrame::closeEvent(QCloseEvent* event) {
    // The dialog procedure decides; the window stays until it is destroyed.
    event->ignore();
    PostMessage(dialog_, WM_CLOSE, 0, 0);
}

void DialogFrame::paintEvent(QPaintEvent*) {
    if (border_ == 0) return;
    QPainter painter(this);
    painter.setPen(SystemQColour(SYSTEM_COLOUR_WINDOW_FRAME));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void DialogFrame::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && caption_ != nullptr) caption_->update();
    QWidget::changeEvent(event);
}

}  // namespace platform::qt
