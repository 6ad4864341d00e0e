// Text drawn in a rectangle: the gauges' single lines (DrawText's formats in
// drawing.h) and the static controls' labels.
#pragma once

#include <QRect>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <optional>

class QFont;
class QPainter;

namespace platform::qt {

// A plain line: DRAW_TEXT_SINGLE_LINE with DRAW_TEXT_NO_PREFIX, the only
// text that device contexts draw.
bool IsPlainLine(std::uint32_t format);

// Draws `text` as one line in `rect` with `font`, whose lines are
// `lineHeight` pixels high, and the painter's pen and background mode,
// clipped to the rectangle, placed left or right and at the top or centred
// as the format says: on exactly the pixels Qt's own layout of the line
// gives. A line of digits, commas and spaces (a byte count) is set from the
// font's glyphs kept for them; any other line from a layout kept for the
// next time the same text is drawn. The painter's font is left as it was.
// Returns what MeasurePlainLine answers.
int DrawPlainLine(QPainter& painter, const QFont& font, int lineHeight, const QRect& rect,
                  QStringView text, std::uint32_t format);

// The part of `rect` whose pixels can differ between the line `before` and
// the line `after`, each drawn by DrawPlainLine with the same painter,
// font, rectangle and format over the same background: the glyphs that are
// not the same glyph at the same place, widened by the most a glyph's
// pixels reach past its outline, across the rectangle's height. Empty when
// every glyph stays; nothing when either line is not set from kept glyphs,
// and then all of `rect` can differ.
std::optional<QRect> ChangedLinePart(const QPainter& painter, const QFont& font, const QRect& rect,
                                     QStringView before, QStringView after, std::uint32_t format);

// What DrawText answers for a plain line in a font whose lines are
// `lineHeight` pixels high: the text's height, or with vertical centring
// the distance from the rectangle's top to the line's bottom.
int MeasurePlainLine(int lineHeight, const QRect& rect, bool hasText, std::uint32_t format);

// A static control's label: wrapped at words, tabs expanded, an ampersand
// underlining the next character ("&&" is one ampersand), clipped to `rect`.
void DrawLabel(QPainter& painter, const QRect& rect, const QString& text, bool alignRight);

// What the plain lines keep between draws: the glyphs of a few fonts and at
// most KEPT_LINES laid-out lines. All of it goes when the dialog hides, when
// the screen's scale changes and when the fonts installed change; it is
// made again at the next draw.
constexpr std::size_t KEPT_LINES = 256;
constexpr std::size_t KEPT_GLYPH_FONTS = 4;
void ForgetKeptText();
// How many laid-out lines and fonts' glyphs are kept now.
struct KeptText {
    std::size_t lines = 0;
    std::size_t glyphFonts = 0;
};
KeptText KeptTextNow();

}  // namespace platform::qt
