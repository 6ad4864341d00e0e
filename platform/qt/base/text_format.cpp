#include "platform/qt/base/text_format.h"

#include <QFont>
#include <QPainter>
#include <QStaticText>

#include <memory>
#include <vector>

#include "platform/drawing.h"
#include "platform/qt/base/lifetime.h"

namespace platform::qt {

namespace {

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
    if (format & DRAW_TEXT_VERTICAL_CENTRE) return rect.top() + (rect.height() - height) / 2;
    return rect.top();
}

}  // namespace

bool IsPlainLine(std::uint32_t format) {
    return (format & DRAW_TEXT_SINGLE_LINE) && (format & DRAW_TEXT_NO_PREFIX);
}

int MeasurePlainLine(int lineHeight, const QRect& rect, bool hasText, std::uint32_t format) {
    if (format & DRAW_TEXT_VERTICAL_CENTRE) {
        return PlainLineTop(rect, lineHeight, format) + lineHeight - rect.top();
    }
    return hasText ? lineHeight : 0;
}

int DrawPlainLine(QPainter& painter, const QRect& rect, const QString& text, std::uint32_t format) {
    const int height = painter.fontMetrics().height();
    if (!text.isEmpty() && !rect.isEmpty()) {
        const QStaticText& line = LineFor(text, painter.font());
        const qreal x = (format & DRAW_TEXT_RIGHT) ? rect.left() + rect.width() - line.size().width()
                                                   : rect.left();
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
        painter.drawStaticText(QPointF(x, PlainLineTop(rect, height, format)), line);
        painter.restore();
    }
    return MeasurePlainLine(height, rect, !text.isEmpty(), format);
}

void DrawLabel(QPainter& painter, const QRect& rect, const QString& text, bool alignRight) {
    if (text.isEmpty() || rect.isEmpty()) return;
    const int flags = (alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop |
                      Qt::TextWordWrap | Qt::TextExpandTabs | Qt::TextShowMnemonic;
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.drawText(rect, flags, text);
    painter.restore();
}

}  // namespace platform::qt
