#include "platform/qt/base/text_format.h"

#include <QFont>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QPainter>
#include <QRawFont>
#include <QStaticText>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/drawing.h"
#include "platform/qt/base/font_pages.h"
#include "platform/qt/base/lifetime.h"

namespace platform::qt {

namespace {

// ---- Lines set from a font's kept glyphs -----------------------------------

// What byte counts are written with: digits, the grouping comma, and the
// spaces that pad the leading group.
constexpr std::u16string_view SET_CHARACTERS = u"0123456789, ";
constexpr std::size_t SET_SIZE = SET_CHARACTERS.size();

int SetIndex(char16_t character) {
    if (character >= u'0' && character <= u'9') return character - u'0';
    if (character == u',') return 10;
    if (character == u' ') return 11;
    return -1;
}

// A font's glyphs and advances for the set's characters, read from one
// layout of every pair of them. Usable when that layout sets them one after
// another from one font, each with the same glyph and advance wherever it
// stands (no kerning between them, no ligature): a line of them is then its
// glyphs side by side, exactly where a layout of its own would put them, and
// needs no shaping.
struct GlyphSet {
    QFont font;
    bool usable = false;
    QRawFont rawFont;
    std::array<quint32, SET_SIZE> glyphs{};
    std::array<qreal, SET_SIZE> advances{};
    // How far each glyph's outline reaches left and right of its place.
    std::array<qreal, SET_SIZE> inkLeft{};
    std::array<qreal, SET_SIZE> inkRight{};
    qreal baseline = 0;  // below the line's top
    QGlyphRun run;
    // The line being drawn, reused from line to line.
    std::vector<quint32> lineGlyphs;
    std::vector<QPointF> linePositions;
};

// Every ordered pair of the set's characters stands side by side once, and
// the line ends on a digit, since a layout leaves trailing spaces out of a
// line's width.
QString PairsOfTheSet() {
    QString pairs;
    pairs.reserve(static_cast<qsizetype>(2 * SET_SIZE * SET_SIZE + 1));
    for (const char16_t first : SET_CHARACTERS) {
        for (const char16_t second : SET_CHARACTERS) {
            pairs.append(QChar(first));
            pairs.append(QChar(second));
        }
    }
    pairs.append(QLatin1Char('0'));
    return pairs;
}

// The line as a single-line static text lays it out (qstatictext.cpp): the
// leading included, a line as wide as any text.
constexpr qreal WIDEST_LINE = 8388607;  // Qt's largest fixed-point width

std::unique_ptr<GlyphSet> MakeGlyphSet(const QFont& font) {
    auto set = std::make_unique<GlyphSet>();
    set->font = font;
    const QString pairs = PairsOfTheSet();
    QTextLayout layout(pairs, font);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLeadingIncluded(true);
    line.setLineWidth(WIDEST_LINE);
    line.setPosition(QPointF(0, 0));
    layout.endLayout();

    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.size() != 1) return set;
    const QList<quint32> glyphs = runs.front().glyphIndexes();
    const QList<QPointF> positions = runs.front().positions();
    if (glyphs.size() != pairs.size() || positions.size() != pairs.size()) return set;
    if (positions.front().x() != 0) return set;

    std::array<bool, SET_SIZE> seen{};
    set->baseline = positions.front().y();
    for (qsizetype at = 0; at < pairs.size(); ++at) {
        const auto index = static_cast<std::size_t>(SetIndex(pairs.at(at).unicode()));
        const qreal next =
            at + 1 < pairs.size() ? positions.at(at + 1).x() : line.naturalTextWidth();
        const qreal advance = next - positions.at(at).x();
        if (glyphs.at(at) == 0 || positions.at(at).y() != set->baseline) return set;
        if (!seen[index]) {
            seen[index] = true;
            set->glyphs[index] = glyphs.at(at);
            set->advances[index] = advance;
        } else if (set->glyphs[index] != glyphs.at(at) || set->advances[index] != advance) {
            return set;
        }
    }
    set->rawFont = runs.front().rawFont();
    for (std::size_t index = 0; index < SET_SIZE; ++index) {
        const QRectF outline = set->rawFont.boundingRect(set->glyphs[index]);
        set->inkLeft[index] = outline.left();
        set->inkRight[index] = outline.right();
    }
    set->run.setRawFont(set->rawFont);
    set->usable = true;
    return set;
}

// ---- Lines laid out whole ----------------------------------------------------

// A laid-out line, kept for drawing the same text in the same font again.
struct LaidOutLine {
    QFont font;
    QString text;
    QStaticText line;
};

// ---- What is kept ------------------------------------------------------------

struct Kept {
    std::vector<std::unique_ptr<GlyphSet>> glyphSets;  // newest last
    std::vector<LaidOutLine> lines;                    // newest last
    QMetaObject::Connection fontsChanged;
};

std::unique_ptr<Kept>& KeptStore() {
    static auto* kept = new std::unique_ptr<Kept>();  // kept: see lifetime.h
    return *kept;
}

Kept& KeptNow() {
    auto& kept = KeptStore();
    if (!kept) {
        kept = std::make_unique<Kept>();
        CleanUpAtLayerEnd(LayerStage::Caches, ForgetKeptText);
        // Installed or removed fonts may give the same font other glyphs.
        if (qGuiApp != nullptr) {
            kept->fontsChanged = QObject::connect(qGuiApp, &QGuiApplication::fontDatabaseChanged,
                                                  [] { ForgetKeptText(); });
        }
    }
    return *kept;
}

GlyphSet& GlyphSetFor(const QFont& font) {
    auto& sets = KeptNow().glyphSets;
    for (const auto& set : sets) {
        if (set->font == font) return *set;
    }
    if (sets.size() >= KEPT_GLYPH_FONTS) sets.erase(sets.begin());
    sets.push_back(MakeGlyphSet(font));
    // Laying out the pairs read the font file; what the dialog drew before
    // it (the labels, when shown) has its glyphs kept by Qt.
    LetGoOfFontPagesSoon();
    return *sets.back();
}

const QStaticText& LineFor(const QString& text, const QFont& font) {
    auto& lines = KeptNow().lines;
    for (LaidOutLine& entry : lines) {
        if (entry.text == text && entry.font == font) return entry.line;
    }
    if (lines.size() >= KEPT_LINES) lines.erase(lines.begin());
    LaidOutLine entry{font, text, QStaticText(text)};
    entry.line.setTextFormat(Qt::PlainText);
    entry.line.setPerformanceHint(QStaticText::AggressiveCaching);
    entry.line.prepare(QTransform(), font);
    lines.push_back(std::move(entry));
    return lines.back().line;
}

// ---- Drawing -----------------------------------------------------------------

// The top of a plain line of `height` pixels in `rect`.
int PlainLineTop(const QRect& rect, int height, std::uint32_t format) {
    if (format & DRAW_TEXT_VERTICAL_CENTRE) return rect.top() + (rect.height() - height) / 2;
    return rect.top();
}

qreal LineLeft(const QRect& rect, qreal width, std::uint32_t format) {
    return (format & DRAW_TEXT_RIGHT) ? rect.left() + rect.width() - width : rect.left();
}

// Whether a line in `font` can be set from kept glyphs on this painter: a
// font sized in pixels (its glyphs do not depend on the device's
// resolution) without lines through or under the text, a painter that does
// not turn or shear, and no background behind the text.
bool GlyphsServe(const QPainter& painter, const QFont& font) {
    return font.pixelSize() > 0 && !font.underline() && !font.overline() && !font.strikeOut() &&
           painter.transform().type() <= QTransform::TxScale &&
           painter.backgroundMode() == Qt::TransparentMode;
}

// Sets `text` out from the font's kept glyphs into the set's line arrays
// (positions from the line's own left); its width, or nothing when the line
// is not made of the set's characters alone or ends in a space (which a
// layout leaves out of the line's width).
std::optional<qreal> SetOut(GlyphSet& set, QStringView text) {
    if (!set.usable || text.isEmpty() || text.back() == u' ') return std::nullopt;
    const auto count = static_cast<std::size_t>(text.size());
    set.lineGlyphs.resize(count);
    set.linePositions.resize(count);
    qreal x = 0;
    for (std::size_t at = 0; at < count; ++at) {
        const int index = SetIndex(text[static_cast<qsizetype>(at)].unicode());
        if (index < 0) return std::nullopt;
        set.lineGlyphs[at] = set.glyphs[static_cast<std::size_t>(index)];
        set.linePositions[at] = QPointF(x, set.baseline);
        x += set.advances[static_cast<std::size_t>(index)];
    }
    return x;
}

// Draws `text` from the font's kept glyphs; false when it cannot be set
// from them, and nothing was drawn.
bool DrawFromGlyphs(QPainter& painter, GlyphSet& set, const QRect& rect, QStringView text,
                    int lineHeight, std::uint32_t format) {
    const std::optional<qreal> width = SetOut(set, text);
    if (!width) return false;
    set.run.setRawData(set.lineGlyphs.data(), set.linePositions.data(),
                       static_cast<int>(set.lineGlyphs.size()));
    const QPointF origin(LineLeft(rect, *width, format), PlainLineTop(rect, lineHeight, format));
    // A painter that clips nothing (as a device context's) is left so by
    // turning its clip off again, which costs less than keeping its state.
    if (!painter.hasClipping()) {
        painter.setClipRect(rect);
        painter.drawGlyphRun(origin, set.run);
        painter.setClipping(false);
        return true;
    }
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.drawGlyphRun(origin, set.run);
    painter.restore();
    return true;
}

// A glyph of a line set out: which, where its place is, and how far its
// outline reaches.
struct PlacedGlyph {
    quint32 glyph;
    qreal x;
    qreal left;
    qreal right;
};

std::optional<std::vector<PlacedGlyph>> PlacedGlyphs(GlyphSet& set, const QRect& rect,
                                                     QStringView text, std::uint32_t format) {
    const std::optional<qreal> width = SetOut(set, text);
    if (!width) return std::nullopt;
    const qreal left = LineLeft(rect, *width, format);
    std::vector<PlacedGlyph> placed;
    placed.reserve(set.lineGlyphs.size());
    for (qsizetype at = 0; at < text.size(); ++at) {
        const auto index = static_cast<std::size_t>(SetIndex(text[at].unicode()));
        const qreal x = left + set.linePositions[static_cast<std::size_t>(at)].x();
        placed.push_back({set.glyphs[index], x, x + set.inkLeft[index], x + set.inkRight[index]});
    }
    return placed;
}

void DrawLaidOut(QPainter& painter, const QFont& font, const QRect& rect, QStringView text,
                 int lineHeight, std::uint32_t format) {
    painter.save();
    painter.setFont(font);
    // Laid out in the font as the painter resolves it for its device, as
    // the painter would draw it.
    const QStaticText& line = LineFor(text.toString(), painter.font());
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.drawStaticText(QPointF(LineLeft(rect, line.size().width(), format),
                                   PlainLineTop(rect, lineHeight, format)),
                           line);
    painter.restore();
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

int DrawPlainLine(QPainter& painter, const QFont& font, int lineHeight, const QRect& rect,
                  QStringView text, std::uint32_t format) {
    if (!text.isEmpty() && !rect.isEmpty()) {
        const bool drawn =
            GlyphsServe(painter, font) &&
            DrawFromGlyphs(painter, GlyphSetFor(font), rect, text, lineHeight, format);
        if (!drawn) DrawLaidOut(painter, font, rect, text, lineHeight, format);
    }
    return MeasurePlainLine(lineHeight, rect, !text.isEmpty(), format);
}

// Antialiasing and hinting put a glyph's pixels up to a pixel or so past
// its outline; twice that is taken.
constexpr qreal GLYPH_SPILL = 2;

std::optional<QRect> ChangedLinePart(const QPainter& painter, const QFont& font, const QRect& rect,
                                     QStringView before, QStringView after, std::uint32_t format) {
    if (rect.isEmpty()) return QRect();
    if (!GlyphsServe(painter, font)) return std::nullopt;
    GlyphSet& set = GlyphSetFor(font);
    // An empty line sets out no glyph.
    const auto placed = [&](QStringView text) {
        return text.isEmpty() ? std::optional<std::vector<PlacedGlyph>>(std::in_place)
                              : PlacedGlyphs(set, rect, text, format);
    };
    const auto old = placed(before);
    const auto now = placed(after);
    if (!old || !now) return std::nullopt;
    qreal left = 0;
    qreal right = 0;
    bool any = false;
    const auto widen = [&](const PlacedGlyph& glyph) {
        left = any ? std::min(left, glyph.left) : glyph.left;
        right = any ? std::max(right, glyph.right) : glyph.right;
        any = true;
    };
    for (std::size_t at = 0; at < std::max(old->size(), now->size()); ++at) {
        const PlacedGlyph* was = at < old->size() ? &(*old)[at] : nullptr;
        const PlacedGlyph* is = at < now->size() ? &(*now)[at] : nullptr;
        if (was != nullptr && is != nullptr && was->glyph == is->glyph && was->x == is->x) continue;
        if (was != nullptr) widen(*was);
        if (is != nullptr) widen(*is);
    }
    if (!any) return QRect();
    const int from = static_cast<int>(std::floor(left - GLYPH_SPILL));
    const int to = static_cast<int>(std::ceil(right + GLYPH_SPILL));
    return QRect(from, rect.top(), to - from, rect.height()).intersected(rect);
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

void ForgetKeptText() {
    auto& kept = KeptStore();
    if (!kept) return;
    LetGoOfFontPagesSoon();
    QObject::disconnect(kept->fontsChanged);
    kept.reset();
}

KeptText KeptTextNow() {
    const auto& kept = KeptStore();
    if (!kept) return {};
    return KeptText{kept->lines.size(), kept->glyphSets.size()};
}

}  // namespace platform::qt
