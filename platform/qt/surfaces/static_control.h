// The static control of dialog templates: a text, a filled rectangle or a
// frame, painted into its retained surface.
#pragma once

#include <QFont>
#include <QString>

#include <cstdint>

#include "platform/qt/surfaces/surface_widget.h"

namespace platform::qt {

// Static control styles (the low five bits are the control's type).
constexpr std::uint32_t SS_TYPE_MASK = 0x1F;
constexpr std::uint32_t SS_LEFT = 0x00;
constexpr std::uint32_t SS_CENTER = 0x01;
constexpr std::uint32_t SS_RIGHT = 0x02;
constexpr std::uint32_t SS_BLACKRECT = 0x04;
constexpr std::uint32_t SS_GRAYRECT = 0x05;
constexpr std::uint32_t SS_WHITERECT = 0x06;
constexpr std::uint32_t SS_BLACKFRAME = 0x07;
constexpr std::uint32_t SS_GRAYFRAME = 0x08;
constexpr std::uint32_t SS_WHITEFRAME = 0x09;
constexpr std::uint32_t SS_SIMPLE = 0x0B;
constexpr std::uint32_t SS_LEFTNOWORDWRAP = 0x0C;
constexpr std::uint32_t SS_NOPREFIX = 0x80;
constexpr std::uint32_t SS_CENTERIMAGE = 0x200;
constexpr std::uint32_t WS_DISABLED = 0x08000000;

class StaticControl : public SurfaceWidget {
public:
    StaticControl(QWidget* parent, const QRect& geometry, std::uint32_t style,
                  std::uint32_t exStyle, const QFont& font);

    // Takes the text and paints itself with it.
    void SetText(const QString& text);

    // The DrawText format the control paints its text with.
    std::uint32_t TextFormat() const;

protected:
    void PaintContent(QPainter& painter) override;

private:
    void PaintText(QPainter& painter);

    std::uint32_t style_;
    std::uint32_t exStyle_;
    QString text_;
};

}  // namespace platform::qt
