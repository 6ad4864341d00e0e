#include "platform/qt/surfaces/surface_widget.h"

#include <QPaintEvent>
#include <QPainter>

#include <utility>

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
    ++selfPaints_;
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

bool SurfaceWidget::Shows(const std::string& script) const {
    return !playedScript_.empty() && playedAfter_ == selfPaints_ && playedScript_ == script;
}

void SurfaceWidget::Played(std::string& script) {
    playedScript_.swap(script);
    playedAfter_ = selfPaints_;
}

void SurfaceWidget::ForgetPlayed() { playedScript_.clear(); }

QColor SurfaceWidget::BackgroundColour() const { return palette().color(QPalette::Window); }

void SurfaceWidget::paintEvent(QPaintEvent* event) {
    // Only the parts that need it: copying the whole surface for a changed
    // gauge would make Qt hand large copies to worker threads.
    QPainter painter(this);
    const qreal ratio = surface_.devicePixelRatio();
    for (const QRect& part : event->region()) {
        const QRectF source(QPointF(part.topLeft()) * ratio, QSizeF(part.size()) * ratio);
        painter.drawImage(QRectF(part), surface_, source);
    }
}

void DialogClient::PaintContent(QPainter& painter) {
    painter.fillRect(rect(), BackgroundColour());
}

}  // namespace platform::qt
