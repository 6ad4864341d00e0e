#include "platform/qt/base/text_format.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QStaticText>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/drawing.h"
#include "platform/qt/base/lifetime.h"

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

// A laid-out line, kept for drawing the same text in the same font again.
struct LaidOutLine {
    QFont font;
    QString text;
    QStaticText line;
};

// The gauges draw the same few texts once a second; shaping them anew each
// time is most of a gauge's cost. The newest lines are kept, a few more
// than the dialog has gauges.
constexpr std::size_t KEPT_LINES = 32;

std::unique_ptr<std::vector<LaidOutLine>>& KeptLines() {
    static auto* lines = new std::unique_ptr<std::vector<LaidOutLine>>();  // kept: see lifetime.h
    return *lines;
}

void ForgetLaidOutText() { KeptLines().reset(); }

const QStaticText& LineFor(const QString& text, const QFont& font) {
    auto& kept = KeptLines();
    if (!kept) {
        kept = std::make_unique<std::vector<LaidOutLine>>();
        CleanUpAtLayerEnd(LayerStage::Caches, ForgetLaidOutText);
    }
    for (LaidOutLine& entry : *kept) {
        if (entry.text == text && entry.font == font) return entry.line;
    }
    if (kept->size() >= KEPT_LINES) kept->erase(kept->begin());
    LaidOutLine entry{font, text, QStaticText(text)};
    entry.line.setTextFormat(Qt::PlainText);
    entry.line.setPerformanceHint(QStaticText::AggressiveCaching);
    entry.line.prepare(QTransform(), font);
    kept->push_back(std::move(entry));
    return kept->back().line;
}

// The top of a plain line of `height` pixels in `rect`.
int PlainLineTop(const QRect& rect, int height, std::uint32_t format) {
    if (format & DRAW_TEXT_BOTTOM) return rect.bottom() + 1 - height;
    if (format & DRAW_TEXT_VERTICAL_CENTRE) return rect.top() + (rect.height() - height) / 2;
    return rect.top();
}


int DrawPlainLine(QPainter& painter, const QRect& rect, const QString& text,
                  std::uint32_t format) {
    const int height = painter.fontMetrics().height();
    const int y = PlainLineTop(rect, height, format);
    const bool clipped = !(format & DRAW_TEXT_NO_CLIP);
    if (!text.isEmpty() && !(clipped && rect.isEmpty())) {
        const QStaticText& line = LineFor(text, painter.font());
        const qreal width = line.size().width();
        qreal x = rect.left();
        if (format & DRAW_TEXT_RIGHT) {
            x = rect.left() + rect.width() - width;
        } else if (format & DRAW_TEXT_CENTRE) {
            x = rect.left() + (rect.width() - width) / 2;
        }
        painter.save();
        if (clipped) painter.setClipRect(rect, Qt::IntersectClip);
        painter.drawStaticText(QPointF(x, y), line);
        painter.restore();
    }
    return MeasurePlainLine(height, rect, !text.isEmpty(), format);
}

}  // namespace

bool IsPlainLine(std::uint32_t format) {
    return (format & DRAW_TEXT_SINGLE_LINE) && (format & DRAW_TEXT_NO_PREFIX) &&
           !(format & (DRAW_TEXT_EXPAND_TABS | DRAW_TEXT_CALCULATE_RECT));
}

int MeasurePlainLine(int lineHeight, const QRect& rect, bool hasText, std::uint32_t format) {
    if (VerticalFlags(format) != Qt::AlignTop) {
        return PlainLineTop(rect, lineHeight, format) + lineHeight - rect.top();
    }
    return hasText ? lineHeight : 0;
}

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

int MeasureFormattedText(const QFontMetrics& metrics, QRect& rect, const QString& text,
                         std::uint32_t format) {
    if (IsPlainLine(format)) return MeasurePlainLine(metrics.height(), rect, !text.isEmpty(), format);
    const QRect bounds = metrics.boundingRect(rect, QtTextFlags(format), text);
    if (format & DRAW_TEXT_CALCULATE_RECT) {
        rect.setWidth(bounds.width());
        rect.setHeight(bounds.height());
        return bounds.height();
    }
    if (VerticalFlags(format) != Qt::AlignTop) return bounds.bottom() + 1 - rect.top();
    return text.isEmpty() ? 0 : bounds.height();
}

int DrawFormattedText(QPainter& painter, QRect& rect, const QString& text, std::uint32_t format) {
    if (IsPlainLine(format)) return DrawPlainLine(painter, rect, text, format);
    if (format & DRAW_TEXT_CALCULATE_RECT) {
        return MeasureFormattedText(painter.fontMetrics(), rect, text, format);
    }
    const int flags = QtTextFlags(format);
    const QRect bounds = painter.fontMetrics().boundingRect(rect, flags, text);
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
