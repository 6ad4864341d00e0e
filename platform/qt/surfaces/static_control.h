// The static controls of the status dialog: labels and values (left-aligned
// text, right-aligned with the extended right-alignment bit) and the gray
// frame that separates the sections, painted into a retained surface. To
// assistive technology each is static text whose name is what it shows.
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

    // Takes the text and paints itself with it; a screen reader hears the
    // text as the control's name.
    void SetText(const QString& text);

    // The name a screen reader hears for the control; a change is announced,
    // the same name again is not.
    void SetName(const QString& name);

protected:
    // Other types show their background only.
    void PaintContent(QPainter& painter) override;

private:
    std::uint32_t type_;
    bool alignRight_;
    QString text_;
};

}  // namespace platform::qt
