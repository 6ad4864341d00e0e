#include "platform/qt/surfaces/caption_bar.h"

#include <qdrawutil.h>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>

#include "platform/drawing.h"
#include "platform/messages.h"
#include "platform/qt/base/system_colours.h"
#include "platform/window.h"

namespace platform::qt {

using namespace Qt::StringLiterals;

namespace {

constexpr int BUTTON_MARGIN = 2;
constexpr int TITLE_PADDING = 4;

QFont CaptionFont(const QFont& dialogFont) {
    QFont font = dialogFont;
    font.setBold(true);
    return font;
}

}  // namespace

CaptionBar::CaptionBar(QWidget* frame, WindowHandle dialog, bool withOk, bool withClose,
                       const QFont& dialogFont)
    : QWidget(frame), dialog_(dialog), withOk_(withOk), withClose_(withClose) {
    setFont(CaptionFont(dialogFont));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int CaptionBar::HeightFor(const QFont& dialogFont) {
    return QFontMetrics(CaptionFont(dialogFont)).height() + 4 * BUTTON_MARGIN;
}

QRect CaptionBar::CloseButtonRect() const {
    if (!withClose_) return {};
    const int side = height() - 2 * BUTTON_MARGIN;
    return QRect(width() - BUTTON_MARGIN - side, BUTTON_MARGIN, side, side);
}

QRect CaptionBar::OkButtonRect() const {
    if (!withOk_) return {};
    const int side = height() - 2 * BUTTON_MARGIN;
    const int buttonWidth = std::max(side, fontMetrics().horizontalAdvance(u"OK"_s) + 8);
    const int right =
        withClose_ ? CloseButtonRect().left() - BUTTON_MARGIN : width() - BUTTON_MARGIN;
    return QRect(right - buttonWidth, BUTTON_MARGIN, buttonWidth, side);
}

QRect CaptionBar::RectOf(Part part) const {
    if (part == Part::Ok) return OkButtonRect();
    if (part == Part::Close) return CloseButtonRect();
    return {};
}

CaptionBar::Part CaptionBar::PartAt(const QPoint& position) const {
    if (OkButtonRect().contains(position)) return Part::Ok;
    if (CloseButtonRect().contains(position)) return Part::Close;
    return rect().contains(position) ? Part::Title : Part::None;
}

void CaptionBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool active = isActiveWindow();
    painter.fillRect(rect(), SystemQColour(active ? SYSTEM_COLOUR_ACTIVE_CAPTION
                                                  : SYSTEM_COLOUR_INACTIVE_CAPTION));

    int titleRight = width() - TITLE_PADDING;
    if (withOk_)
        titleRight = OkButtonRect().left() - TITLE_PADDING;
    else if (withClose_)
        titleRight = CloseButtonRect().left() - TITLE_PADDING;
    const QRect titleArea(TITLE_PADDING, 0, std::max(0, titleRight - TITLE_PADDING), height());
    painter.setPen(
        SystemQColour(active ? SYSTEM_COLOUR_CAPTION_TEXT : SYSTEM_COLOUR_INACTIVE_CAPTION_TEXT));
    painter.drawText(
        titleArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
        fontMetrics().elidedText(window()->windowTitle(), Qt::ElideRight, titleArea.width()));

    if (withOk_) PaintButton(painter, Part::Ok);
    if (withClose_) PaintButton(painter, Part::Close);
}

void CaptionBar::PaintButton(QPainter& painter, Part part) {
    const QRect area = RectOf(part);
    const bool sunken = pressed_ == part && pressedInside_;
    const QBrush face(SystemQColour(SYSTEM_COLOUR_BUTTON_FACE));
    qDrawWinButton(&painter, area, palette(), sunken, &face);

    const QRect inner = area.adjusted(2, 2, -2, -2).translated(sunken ? 1 : 0, sunken ? 1 : 0);
    const QColor ink = SystemQColour(SYSTEM_COLOUR_BUTTON_TEXT);
    if (part == Part::Ok) {
        painter.setPen(ink);
        painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, u"OK"_s);
        return;
    }
    // The close mark: a cross drawn with lines, crisp at any size.
    const int inset = std::max(2, inner.width() / 5);
    const QRect cross = inner.adjusted(inset, inset, -inset, -inset);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(ink, std::max(1, inner.width() / 8)));
    painter.drawLine(cross.topLeft(), cross.bottomRight());
    painter.drawLine(cross.topRight(), cross.bottomLeft());
    painter.restore();
}

void CaptionBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const Part part = PartAt(event->position().toPoint());
    if (part == Part::Ok || part == Part::Close) {
        pressed_ = part;
        pressedInside_ = true;
        update(RectOf(part));
        return;
    }
    if (part != Part::Title) return;
    // The window system moves the window where it can; elsewhere (no window
    // manager, offscreen) the caption follows the pointer itself.
    QWindow* handle = window()->windowHandle();
    if (handle != nullptr && handle->startSystemMove()) return;
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - window()->pos();
}

void CaptionBar::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        window()->move(event->globalPosition().toPoint() - dragOffset_);
        return;
    }
    if (pressed_ == Part::None) return;
    const bool inside = RectOf(pressed_).contains(event->position().toPoint());
    if (inside != pressedInside_) {
        pressedInside_ = inside;
        update(RectOf(pressed_));
    }
}

void CaptionBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragging_ = false;
    const Part released = pressed_;
    const bool inside =
        released != Part::None && RectOf(released).contains(event->position().toPoint());
    pressed_ = Part::None;
    pressedInside_ = false;
    if (released == Part::None) return;
    update(RectOf(released));
    if (inside) Activate(released);
}

void CaptionBar::Activate(Part part) {
    if (part == Part::Ok) PostMessage(dialog_, WM_COMMAND, COMMAND_OK, 0);
    if (part == Part::Close) PostMessage(dialog_, WM_CLOSE, 0, 0);
}

}  // namespace platform::qt
