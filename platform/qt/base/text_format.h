// Text drawn in a rectangle with the platform's DrawText formats.
#pragma once

#include <QRect>
#include <QString>

#include <cstdint>

class QFontMetrics;
class QPainter;

namespace platform::qt {

// Formats beyond those declared in drawing.h that the dialog manager's own
// controls use.
constexpr std::uint32_t DRAW_TEXT_CENTRE = 0x001;
constexpr std::uint32_t DRAW_TEXT_BOTTOM = 0x008;
constexpr std::uint32_t DRAW_TEXT_WORD_BREAK = 0x010;
constexpr std::uint32_t DRAW_TEXT_EXPAND_TABS = 0x040;
constexpr std::uint32_t DRAW_TEXT_NO_CLIP = 0x100;
constexpr std::uint32_t DRAW_TEXT_CALCULATE_RECT = 0x400;
constexpr std::uint32_t DRAW_TEXT_HIDE_PREFIX = 0x100000;

// The Qt text flags that stand for a DrawText format.
int QtTextFlags(std::uint32_t format);

// Draws `text` in `rect` with the painter's font, pen and background mode,
// clipped to the rectangle unless the format says otherwise. With
// DRAW_TEXT_CALCULATE_RECT nothing is drawn and `rect` is widened or
// narrowed to the text. Returns the text's height (with vertical centring or
// bottom alignment: from the rectangle's top to the text's bottom).
int DrawFormattedText(QPainter& painter, QRect& rect, const QString& text, std::uint32_t format);

// One line without prefix processing or tabs: placed by hand and drawn from
// a kept layout, exactly where the general layout would put it.
bool IsPlainLine(std::uint32_t format);

// What DrawFormattedText answers for a plain line in a font whose lines are
// `lineHeight` pixels high.
int MeasurePlainLine(int lineHeight, const QRect& rect, bool hasText, std::uint32_t format);

// What DrawFormattedText answers (and, with DRAW_TEXT_CALCULATE_RECT, does
// to `rect`) for a font with these metrics, without drawing.
int MeasureFormattedText(const QFontMetrics& metrics, QRect& rect, const QString& text,
                         std::uint32_t format);

}  // namespace platform::qt
