// The static controls of the status dialog: labels and values (left-aligned
// text, right-aligned with the extended right-alignment bit) and the gray
// frame that separates the sections, painted into a retained surface.
#pragma once

#include <QFont>
#include <QString>

#include <cstdint>

#include "platform/qt/surfaces/surface_widget.h"

namespace platform::qt {

// Static control types (the low five bits of the style).
constexpr std::uint32_t SS_TYPE_MASK = 0x1F;
constexpr std::uint32_t SS_LEFT = 0x00;
constexpr std::uint32_t SS_GRAYFRAME = 0x08;

class StaticControl : public SurfaceWidget {
public:
    StaticControl(QWidget* parent, const QRect& geometry, std::uint32_t style,
                  std::uint32_t exStyle, const QFont& font);

    // Takes the text and paints itself with it.
    void SetText(const QString& text);

protected:
    // Other types show their background only.
    void PaintContent(QPainter& painter) override;

private:
    std::uint32_t type_;
    bool alignRight_;
    QString text_;
};

}  // namespace platform::qt
