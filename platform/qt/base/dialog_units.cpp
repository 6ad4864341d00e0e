#include "platform/qt/base/dialog_units.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

#include <algorithm>
#include <limits>

#include "platform/qt/base/qt_text.h"
#include "platform/shared/gauge_font.h"

namespace platform::qt {

using namespace Qt::StringLiterals;

namespace {

// Japanese-capable sans-serif families, best first. The first installed one
// is used; half-width katakana must have real glyphs in it. A proportional
// face comes first: its Latin letters set the dialog's base width wide
// enough for the layouts' half-width labels and eight-character lifetimes,
// which a fixed-pitch face cuts by a character.
const QStringList& JapaneseSansFamilies() {
    static const auto* families =  // kept: see lifetime.h
        new QStringList{u"IPAPGothic"_s, u"IPAGothic"_s, u"Noto Sans CJK JP"_s, u"VL Gothic"_s,
                        u"TakaoGothic"_s};
    return *families;
}

// Points to pixels as the platform sizes a font: -MulDiv(points, dpi, 72).
int PointsToPixels(int points) {
    int dotsPerInch = 96;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        dotsPerInch = qRound(screen->logicalDotsPerInchY());
    }
    return MulDiv(points, dotsPerInch, 72);
}

}  // namespace

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const long long product = static_cast<long long>(number) * numerator;
    const long long half =
        (denominator < 0 ? -static_cast<long long>(denominator) : denominator) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const long long magnitude = (product < 0 ? -product : product) + half;
    const long long quotient =
        magnitude / (denominator < 0 ? -static_cast<long long>(denominator) : denominator);
    // A result outside 32 bits is the platform's error too.
    if (quotient > std::numeric_limits<int>::max()) return -1;
    return static_cast<int>(negative ? -quotient : quotient);
}

QFont DialogFont(const std::u16string& face, int pointSize) {
    // A point size of 0 asks for the platform's default dialog size.
    const int points = pointSize > 0 ? std::min(pointSize, 200) : 9;
    QStringList families = JapaneseSansFamilies();
    if (!face.empty() && face != u"System") families.prepend(ToQString(face));

    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, PointsToPixels(points)));
    return font;
}

QFont DeviceContextFont(const QFont& dialogFont) {
    // A device context starts with the platform's stock font, not the
    // dialog's: here the gauge font (platform/shared/gauge_font.h).
    QFont font = dialogFont;
    font.setPixelSize(shared::GaugeFontPixels(dialogFont.pixelSize()));
    return font;
}

BaseUnits MeasureBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width =
        metrics.horizontalAdvance(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"_s);
    // The platform rounds the average of the 52 letters: (width / 26 + 1) / 2.
    return BaseUnits{std::max(1, (width / 26 + 1) / 2), std::max(1, metrics.height())};
}

int HorizontalPixels(int dialogUnits, const BaseUnits& units) {
    return MulDiv(dialogUnits, units.x, 4);
}

int VerticalPixels(int dialogUnits, const BaseUnits& units) {
    return MulDiv(dialogUnits, units.y, 8);
}

QRect DialogRectToPixels(int x, int y, int cx, int cy, const BaseUnits& units) {
    return QRect(HorizontalPixels(x, units), VerticalPixels(y, units),
                 std::max(0, HorizontalPixels(cx, units)), std::max(0, VerticalPixels(cy, units)));
}

}  // namespace platform::qt
