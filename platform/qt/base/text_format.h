// Text drawn in a rectangle: the gauges' single lines (DrawText's formats in
// drawing.h) and the static controls' labels.
#pragma once

#include <QRect>
#include <QString>

#include <cstdint>

class QPainter;

namespace platform::qt {

// A plain line: DRAW_TEXT_SINGLE_LINE with DRAW_TEXT_NO_PREFIX, the only
// text that device contexts draw.
bool IsPlainLine(std::uint32_t format);

// Draws `text` as one line in `rect` with the painter's font, pen and
// background mode, clipped to the rectangle, placed left or right and at
// the top or centred as the format says, from a layout kept for the next
// time the same text is drawn. Returns what MeasurePlainLine answers.
int DrawPlainLine(QPainter& painter, const QRect& rect, const QString& text, std::uint32_t format);

// What DrawText answers for a plain line in a font whose lines are
// `lineHeight` pixels high: the text's height, or with vertical centring
// the distance from the rectangle's top to the line's bottom.
int MeasurePlainLine(int lineHeight, const QRect& rect, bool hasText, std::uint32_t format);

// A static control's label: wrapped at words, tabs expanded, an ampersand
// underlining the next character ("&&" is one ampersand), clipped to `rect`.
void DrawLabel(QPainter& painter, const QRect& rect, const QString& text, bool alignRight);

}  // namespace platform::qt
