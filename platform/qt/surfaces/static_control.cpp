#include "platform/qt/surfaces/static_control.h"

#include <QPainter>

#include "platform/qt/base/system_colours.h"
#include "platform/qt/base/text_format.h"
#include "platform/window.h"

namespace platform::qt {

StaticControl::StaticControl(QWidget* parent, const QRect& geometry, std::uint32_t style,
                             std::uint32_t exStyle, const QFont& font)
    : SurfaceWidget(parent, geometry),
      type_(style & SS_TYPE_MASK),
      alignRight_((exStyle & EXSTYLE_RIGHT) != 0) {
    setFont(font);
    // Statics take no input: clicks reach the dialog under them.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void StaticControl::SetText(const QString& text) {
    text_ = text;
    SetName(text);
    PaintItself();
}

void StaticControl::SetName(const QString& name) {
    if (name != accessibleName()) setAccessibleName(name);
}

void StaticControl::PaintContent(QPainter& painter) {
    const QRect area = rect();
    painter.fillRect(area, BackgroundColour());
    if (type_ == SS_LEFT && !text_.isEmpty()) {
        painter.setFont(font());
        painter.setPen(SystemQColour(SYSTEM_COLOUR_STATIC_TEXT));
        painter.setBackgroundMode(Qt::TransparentMode);
        DrawLabel(painter, area, text_, alignRight_);
    } else if (type_ == SS_GRAYFRAME) {
        // A one-pixel outline; a control one or two pixels thick is thus a
        // solid line.
        painter.setPen(SystemQColour(SYSTEM_COLOUR_BUTTON_SHADOW));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(0, 0, -1, -1));
    }
}

}  // namespace platform::qt
