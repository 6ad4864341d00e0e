#include "platform/qt/text_format.h"

#include <QFontMetrics>
#include <QPainter>

#include "platform/drawing.h"

namespace platform::qt {

namespace {

int HorizontalFlags(std::uint32_t format) {
    if (format & DRAW_TEXT_RIGHT) return Qt::AlignRight;
    if (format & DRAW_TEXT_CENTRE) return Qt::AlignHCenter;
    return Qt::AlignLeft;
}

// Vertical placement applies to single lines only, as on the platform.
int VerticalFlags(std::uint32_t format) {
    if (!(format & DRAW_TEXT_SINGLE_LINE)) return Qt::AlignTop;
    if (format & DRAW_TEXT_BOTTOM) return Qt::AlignBottom;
    if (format & DRAW_TEXT_VERTICAL_CENTRE) return Qt::AlignVCenter;
    return Qt::AlignTop;
}

}  // namespace

int QtTextFlags(std::uint32_t format) {
    int flags = HorizontalFlags(format) | VerticalFlags(format);
    if (format & DRAW_TEXT_SINGLE_LINE) {
        flags |= Qt::TextSingleLine;
    } else if (format & DRAW_TEXT_WORD_BREAK) {
        flags |= Qt::TextWordWrap;
    }
    if (format & DRAW_TEXT_EXPAND_TABS) flags |= Qt::TextExpandTabs;
    if (format & DRAW_TEXT_NO_CLIP) flags |= Qt::TextDontClip;
    // Without "no prefix" an ampersand marks the next character, which is
    // underlined, and "&&" stands for one ampersand.
    if (!(format & DRAW_TEXT_NO_PREFIX)) {
        flags |= (format & DRAW_TEXT_HIDE_PREFIX) ? Qt::TextHideMnemonic : Qt::TextShowMnemonic;
    }
    return flags;
}

int DrawFormattedText(QPainter& painter, QRect& rect, const QString& text, std::uint32_t format) {
    const int flags = QtTextFlags(format);
    const QRect bounds = painter.fontMetrics().boundingRect(rect, flags, text);
    if (format & DRAW_TEXT_CALCULATE_RECT) {
        rect.setWidth(bounds.width());
        rect.setHeight(bounds.height());
        return bounds.height();
    }
    const bool clipped = !(format & DRAW_TEXT_NO_CLIP);
    if (!text.isEmpty() && !(clipped && rect.isEmpty())) {
        painter.save();
        if (clipped) painter.setClipRect(rect, Qt::IntersectClip);
        painter.drawText(rect, flags, text);
        painter.restore();
    }
    if (VerticalFlags(format) != Qt::AlignTop) return bounds.bottom() + 1 - rect.top();
    return text.isEmpty() ? 0 : bounds.height();
}

}  // namespace platform::qt
