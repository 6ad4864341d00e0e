// The dialog font and the conversion of dialog units into pixels.
//
// A dialog unit is a quarter of the font's average character width
// horizontally and an eighth of its height vertically, as the platform's
// dialog manager measures them.
#pragma once

#include <QFont>
#include <QRect>

#include <cstdint>
#include <string>

namespace platform::qt {

struct BaseUnits {
    int x;  // average width of the Latin letters, rounded
    int y;  // the font's height
};

// number * numerator / denominator in 64 bits, rounded half away from zero;
// -1 when the denominator is 0, as the platform answers.
int MulDiv(int number, int numerator, int denominator);

// The font of a dialog whose template names `face` at `pointSize` points.
// "System" and faces that are not installed fall back to a Japanese-capable
// sans-serif font.
QFont DialogFont(const std::u16string& face, int pointSize);

BaseUnits MeasureBaseUnits(const QFont& font);

// The font a new device context of a dialog or its controls draws with.
QFont DeviceContextFont(const QFont& dialogFont);

int HorizontalPixels(int dialogUnits, const BaseUnits& units);
int VerticalPixels(int dialogUnits, const BaseUnits& units);

// A rectangle given in dialog units (x, y, width, height), in pixels.
QRect DialogRectToPixels(int x, int y, int cx, int cy, const BaseUnits& units);

}  // namespace platform::qt
