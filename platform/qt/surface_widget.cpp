#include "platform/qt/surface_widget.h"

#include <QPaintEvent>
#include <QPainter>

namespace platform::qt {

SurfaceWidget::SurfaceWidget(QWidget* parent, const QRect& geometry)
    : QWidget(parent), surface_(geometry.size(), QImage::Format_RGB32) {
    setGeometry(geometry);
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

void SurfaceWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    painter.drawImage(area, surface_, area);
}

void DialogClient::PaintContent(QPainter& painter) {
    painter.fillRect(Surface().rect(), BackgroundColour());
}

}  // namespace platform::qt
