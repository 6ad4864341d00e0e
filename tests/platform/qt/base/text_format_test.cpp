// Single lines without prefix processing are drawn from kept layouts; they
// must land on exactly the pixels the general text layout gives.
#include <QFont>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "platform/drawing.h"
#include "platform/qt/base/text_format.h"

namespace {

using namespace platform;

// Qt's own layout of one line, as DrawText would place it.
int QtFlags(std::uint32_t format) {
    return Qt::TextSingleLine | ((format & DRAW_TEXT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft) |
           ((format & DRAW_TEXT_VERTICAL_CENTRE) ? Qt::AlignVCenter : Qt::AlignTop);
}

QImage Draw(const QString& text, std::uint32_t format, bool general, const QFont& font) {
    QImage image(120, 24, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QRect rect(10, 3, 84, 17);
    if (general) {
        painter.setClipRect(rect);
        painter.drawText(rect, QtFlags(format), text);
    } else {
        qt::DrawPlainLine(painter, rect, text, format);
    }
    return image;
}

TEST(PlainLines, LandWhereTheGeneralLayoutPutsThem) {
    constexpr std::uint32_t line = DRAW_TEXT_SINGLE_LINE | DRAW_TEXT_NO_PREFIX;
    const std::uint32_t formats[] = {
        line | DRAW_TEXT_RIGHT | DRAW_TEXT_VERTICAL_CENTRE,  // the gauges
        line,
    };
    const QString texts[] = {QStringLiteral("  8,241,741,824"), QStringLiteral("A&B"),
                             QStringLiteral("999,999,999,999,999,999,999"), QStringLiteral("不明")};
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(10);
    for (int pass = 0; pass < 2; ++pass) {  // the second pass draws from kept layouts
        for (std::uint32_t format : formats) {
            for (const QString& text : texts) {
                EXPECT_EQ(Draw(text, format, false, font), Draw(text, format, true, font))
                    << text.toStdString() << " format " << std::hex << format;
            }
        }
    }
}

}  // namespace
