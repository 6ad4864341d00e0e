// Single lines without prefix processing are set from a font's kept glyphs
// (byte counts) or from kept layouts (anything else); either way they must
// land on exactly the pixels the general text layout gives, and what is
// kept stays bounded.
#include <QByteArray>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStaticText>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/drawing.h"
#include "platform/qt/base/font_pages.h"
#include "platform/qt/base/text_format.h"

namespace {

using namespace platform;

constexpr std::uint32_t LINE = DRAW_TEXT_SINGLE_LINE | DRAW_TEXT_NO_PREFIX;
constexpr std::uint32_t GAUGE = LINE | DRAW_TEXT_RIGHT | DRAW_TEXT_VERTICAL_CENTRE;

// Qt's own layout of one line, as DrawText would place it.
int QtFlags(std::uint32_t format) {
    return Qt::TextSingleLine | ((format & DRAW_TEXT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft) |
           ((format & DRAW_TEXT_VERTICAL_CENTRE) ? Qt::AlignVCenter : Qt::AlignTop);
}

QFont PixelFont(const char* family, int pixels) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixels);
    return font;
}

enum class Layout {
    Plain,    // DrawPlainLine
    General,  // QPainter::drawText
    Static,   // a QStaticText, placed as DrawText places a line
};

QImage Draw(const QString& text, std::uint32_t format, Layout layout, const QFont& font,
            qreal scale = 1) {
    QImage image(QSize(120, 24) * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    const QRect rect(10, 3, 84, 17);
    const int height = QFontMetrics(font).height();
    if (layout == Layout::Plain) {
        qt::DrawPlainLine(painter, font, height, rect, text, format);
        return image;
    }
    painter.setFont(font);
    painter.setClipRect(rect);
    if (layout == Layout::General) {
        painter.drawText(rect, QtFlags(format), text);
    } else {
        QStaticText line(text);
        line.prepare(QTransform(), painter.font());
        const qreal x =
            (format & DRAW_TEXT_RIGHT) ? rect.x() + rect.width() - line.size().width() : rect.x();
        const int y = (format & DRAW_TEXT_VERTICAL_CENTRE) ? rect.y() + (rect.height() - height) / 2
                                                           : rect.y();
        painter.drawStaticText(QPointF(x, y), line);
    }
    return image;
}

// Each line lands where Qt's static text puts it, on a plain and on a scaled
// screen (two device pixels to a pixel); in the program's face, sized in
// pixels, that is also where the general layout puts it.
TEST(PlainLines, LandWhereQtsLayoutPutsThem) {
    const std::uint32_t formats[] = {GAUGE, LINE, LINE | DRAW_TEXT_VERTICAL_CENTRE,
                                     LINE | DRAW_TEXT_RIGHT};
    const QString texts[] = {
        // byte counts, set from kept glyphs: every digit, a comma, padding
        QStringLiteral("0"), QStringLiteral("  7"), QStringLiteral(" 42"),
        QStringLiteral("  8,241,741,824"), QStringLiteral("123,456,789"),
        QStringLiteral("999,999,999,999,999,999,999"),  // wider than the gauge: cut at the left
        QStringLiteral("1,000,000,000,000,000,000,000,000,000,000"),
        // anything else, laid out whole
        QStringLiteral("A&B"), QStringLiteral("不明"), QStringLiteral("12 "),
        QStringLiteral("1,2x"), QStringLiteral("ﾃﾞｰﾀ 100%")};
    struct Case {
        QFont font;
        bool generalToo;  // the general layout puts lines where the static text does
    };
    const Case cases[] = {{PixelFont("IPAPGothic", 8), true},
                          {PixelFont("IPAPGothic", 10), true},
                          {PixelFont("IPAGothic", 13), false},
                          {QFont(QStringLiteral("IPAPGothic"), 7), false}};
    for (int pass = 0; pass < 2; ++pass) {  // the second pass draws from what was kept
        for (const Case& row : cases) {
            for (const qreal scale : {1.0, 2.0}) {
                for (const std::uint32_t format : formats) {
                    for (const QString& text : texts) {
                        const QImage plain = Draw(text, format, Layout::Plain, row.font, scale);
                        const auto where = [&] {
                            return text.toStdString() + " in " + row.font.toString().toStdString() +
                                   " at scale " + std::to_string(scale) + " format " +
                                   std::to_string(format);
                        };
                        EXPECT_EQ(plain, Draw(text, format, Layout::Static, row.font, scale))
                            << where();
                        if (row.generalToo && scale == 1) {
                            EXPECT_EQ(plain, Draw(text, format, Layout::General, row.font))
                                << where();
                        }
                    }
                }
            }
        }
    }
}

// Byte counts keep only their font's glyphs, however many there are and
// however they grow; other lines keep at most KEPT_LINES layouts, and a few
// fonts' glyphs are kept. What was let go is made again, to the same pixels.
TEST(KeptText, StaysBoundedWhateverIsDrawn) {
    const QFont gauge = PixelFont("IPAPGothic", 8);
    qt::ForgetKeptText();
    const QString first = QStringLiteral("  1");
    const QImage firstPicture = Draw(first, GAUGE, Layout::Plain, gauge);
    QString count = QStringLiteral("1");
    for (int line = 0; line < 1000; ++line) {
        count = QString::number(line * 7919 + 1) + QLatin1Char(',') + QString::number(line % 1000);
        if (line % 50 == 0) count = QString(line / 50 + 1, QLatin1Char('9'));  // a digit more
        Draw(count, GAUGE, Layout::Plain, gauge);
    }
    EXPECT_EQ(qt::KeptTextNow().lines, 0u);
    EXPECT_EQ(qt::KeptTextNow().glyphFonts, 1u);

    for (int line = 0; line < 1000; ++line) {
        Draw(QStringLiteral("%1 kB").arg(line), GAUGE, Layout::Plain, gauge);
    }
    EXPECT_EQ(qt::KeptTextNow().lines, qt::KEPT_LINES);
    for (int pixels = 6; pixels < 16; ++pixels) {
        Draw(QStringLiteral("12,345"), GAUGE, Layout::Plain, PixelFont("IPAPGothic", pixels));
    }
    EXPECT_EQ(qt::KeptTextNow().glyphFonts, qt::KEPT_GLYPH_FONTS);
    EXPECT_EQ(Draw(QStringLiteral("0 kB"), GAUGE, Layout::Plain, gauge),
              Draw(QStringLiteral("0 kB"), GAUGE, Layout::Static, gauge));
    EXPECT_EQ(Draw(first, GAUGE, Layout::Plain, gauge), firstPicture);
}

// Fonts installed or removed while the program runs may give the same font
// other glyphs: what was kept goes, and lines are set afresh.
TEST(KeptText, GoesWhenTheInstalledFontsChange) {
    const QFont gauge = PixelFont("IPAPGothic", 8);
    const QString count = QStringLiteral("  8,241,741,824");
    Draw(count, GAUGE, Layout::Plain, gauge);
    Draw(QStringLiteral("不明"), GAUGE, Layout::Plain, gauge);
    ASSERT_GT(qt::KeptTextNow().glyphFonts, 0u);

    const int added = QFontDatabase::addApplicationFont(
        QStringLiteral("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"));
    ASSERT_NE(added, -1);
    EXPECT_EQ(qt::KeptTextNow().lines, 0u);
    EXPECT_EQ(qt::KeptTextNow().glyphFonts, 0u);
    EXPECT_EQ(Draw(count, GAUGE, Layout::Plain, gauge), Draw(count, GAUGE, Layout::Static, gauge));
    QFontDatabase::removeApplicationFont(added);
    EXPECT_EQ(qt::KeptTextNow().glyphFonts, 0u);
    EXPECT_EQ(Draw(count, GAUGE, Layout::Plain, gauge), Draw(count, GAUGE, Layout::General, gauge));
}

// Resident kilobytes of the font files the process maps.
long FontFilesResidentKb() {
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly)) return -1;
    long resident = 0;
    bool font = false;
    for (const QByteArray& line : smaps.readAll().split('\n')) {
        const QByteArray first = line.left(line.indexOf(' '));
        if (first.contains('-') && !first.endsWith(':')) {  // a mapping's first line
            font = line.endsWith(".ttf") || line.endsWith(".otf") || line.endsWith(".ttc");
        } else if (font && line.startsWith("Rss:")) {
            resident += line.mid(4).trimmed().split(' ').first().toLong();
        }
    }
    return resident;
}

// Drawing Japanese text reads the font file; once it is drawn, the pages
// read are let go, and the same text draws to the same pixels afterwards.
TEST(FontPages, AreLetGoOnceTheTextIsDrawn) {
    const QFont font = PixelFont("IPAPGothic", 12);
    const QString text = QStringLiteral("外部電源の状態 ﾊﾞｯﾃﾘ残量 未使用データ記憶用");
    const QImage drawn = Draw(text, LINE, Layout::General, font);
    ASSERT_GT(FontFilesResidentKb(), 64);
    qt::LetGoOfFontPages();
    EXPECT_EQ(FontFilesResidentKb(), 0);
    EXPECT_EQ(Draw(text, LINE, Layout::General, font), drawn);
}

}  // namespace
