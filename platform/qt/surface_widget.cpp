#include "platform/qt/surface_widget.h"

#include <QPainter>

namespace platform::qt {

SurfaceWidget::SurfaceWidget(QWidget* parent, const QRect& geometry) : QWidget(parent) {
    setGeometry(geometry);
    // Device pixels, so that text stays sharp on a scaled screen; painters
    // on the surface still count in the widget's own pixels.
    const qreal ratio = devicePixelRatioF();
    surface_ = QImage(geometry.size() * ratio, QImage::Format_RGB32);
    surface_.setDevicePixelRatio(ratio);
    // The surface covers every pixel, so Qt need not clear behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    surface_.fill(BackgroundColour());
}

void SurfaceWidget::PaintItself() {
    if (!surface_.isNull()) {
        QPainter painter(&surface_);
        PaintContent(painter);
    }
    update();
}

void SurfaceWidget::ShowDrawing(const QRect& changed) {
    const QRect visible = changed.intersected(rect());
    if (!visible.isEmpty()) update(visible);
}

QColor SurfaceWidget::BackgroundColour() const { return palette().color(QPalette::Window); }

void SurfaceWidget::paintEvent(QPaintEvent*) {
    // The painter is clipped to the part that needs it.
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), surface_);
}

void DialogClient::PaintContent(QPainter& painter) {
    painter.fillRect(rect(), BackgroundColour());
}

}  // namespace platform::qt
