#include "platform/qt/surfaces/static_control.h"

#include <QPainter>

#include "platform/drawing.h"
#include "platform/qt/base/system_colours.h"
#include "platform/qt/base/text_format.h"
#include "platform/window.h"

namespace platform::qt {

namespace {

bool IsTextType(std::uint32_t type) {
    return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE ||
           type == SS_LEFTNOWORDWRAP;
}

// The colours of the rectangle and frame types, as the platform draws them.
QColor ShapeColour(std::uint32_t type) {
    switch (type) {
    case SS_BLACKRECT:
    case SS_BLACKFRAME:
        return SystemQColour(SYSTEM_COLOUR_WINDOW_FRAME);
    case SS_WHITERECT:
    case SS_WHITEFRAME:
        return SystemQColour(SYSTEM_COLOUR_BUTTON_HIGHLIGHT);
    default:
        return SystemQColour(SYSTEM_COLOUR_BUTTON_SHADOW);
    }
}

}  // namespace

StaticControl::StaticControl(QWidget* parent, const QRect& geometry, std::uint32_t style,
                             std::uint32_t exStyle, const QFont& font)
    : SurfaceWidget(parent, geometry), style_(style), exStyle_(exStyle) {
    setFont(font);
    // Statics take no input: clicks reach the dialog under them.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void StaticControl::SetText(const QString& text) {
    text_ = text;
    PaintItself();
}

std::uint32_t StaticControl::TextFormat() const {
    const std::uint32_t type = style_ & SS_TYPE_MASK;
    std::uint32_t format = DRAW_TEXT_EXPAND_TABS;
    if (type == SS_CENTER) {
        format |= DRAW_TEXT_CENTRE;
    } else if (type == SS_RIGHT || (exStyle_ & EXSTYLE_RIGHT)) {
        format |= DRAW_TEXT_RIGHT;
    }
    if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP) {
        format |= DRAW_TEXT_SINGLE_LINE;
    } else {
        format |= DRAW_TEXT_WORD_BREAK;
    }
    if (style_ & SS_CENTERIMAGE) format |= DRAW_TEXT_SINGLE_LINE | DRAW_TEXT_VERTICAL_CENTRE;
    if (style_ & SS_NOPREFIX) format |= DRAW_TEXT_NO_PREFIX;
    return format;
}

void StaticControl::PaintContent(QPainter& painter) {
    const QRect area = rect();
    painter.fillRect(area, BackgroundColour());
    const std::uint32_t type = style_ & SS_TYPE_MASK;
    if (IsTextType(type)) {
        PaintText(painter);
    } else if (type == SS_BLACKRECT || type == SS_GRAYRECT || type == SS_WHITERECT) {
        painter.fillRect(area, ShapeColour(type));
    } else if (type == SS_BLACKFRAME || type == SS_GRAYFRAME || type == SS_WHITEFRAME) {
        // A one-pixel outline; a control one or two pixels thick is thus a
        // solid line.
        painter.setPen(ShapeColour(type));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(0, 0, -1, -1));
    }
    // Icons, bitmaps and owner-drawn statics show their background only.
}

void StaticControl::PaintText(QPainter& painter) {
    if (text_.isEmpty()) return;
    const bool disabled = (style_ & WS_DISABLED) != 0;
    painter.setFont(font());
    painter.setPen(SystemQColour(disabled ? SYSTEM_COLOUR_GRAY_TEXT : SYSTEM_COLOUR_STATIC_TEXT));
    painter.setBackgroundMode(Qt::TransparentMode);
    QRect area = rect();
    DrawFormattedText(painter, area, text_, TextFormat());
}

}  // namespace platform::qt
