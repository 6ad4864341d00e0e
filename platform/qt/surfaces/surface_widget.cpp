#include "platform/qt/surfaces/surface_widget.h"

#include <QBackingStore>
#include <QHideEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

#include <cstddef>
#include <cstring>
#include <utility>

#include "platform/qt/base/font_pages.h"
#include "platform/qt/base/text_format.h"
#include "platform/qt/base/x11_connection.h"

namespace platform::qt {

SurfaceWidget::SurfaceWidget(QWidget* parent, const QRect& geometry) : QWidget(parent) {
    setGeometry(geometry);
    // The picture covers every pixel, so Qt need not clear behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool SurfaceWidget::HasPixels() const { return !size().isEmpty(); }

// The picture before any device context drew on it: the background, and the
// content once the widget has painted itself.
void SurfaceWidget::PaintPicture(QPainter& painter) {
    painter.fillRect(rect(), BackgroundColour());
    if (contentPainted_) PaintContent(painter);
}

void SurfaceWidget::LetGoOfTheSurface() {
    surface_ = QImage();
    ForgetPlayed();
}

void SurfaceWidget::KeepToTheScreensScale() {
    if (surface_.isNull() || surface_.devicePixelRatio() == devicePixelRatioF()) return;
    LetGoOfTheSurface();
    // Lines kept for one scale are set again for the other.
    ForgetKeptText();
}

QImage& SurfaceWidget::Surface() {
    KeepToTheScreensScale();
    if (surface_.isNull() && HasPixels()) {
        // Device pixels, so that text stays sharp on a scaled screen;
        // painters on the surface still count in the widget's own pixels.
        const qreal ratio = devicePixelRatioF();
        surface_ = QImage(size() * ratio, QImage::Format_RGB32);
        surface_.setDevicePixelRatio(ratio);
        QPainter painter(&surface_);
        PaintPicture(painter);
    }
    return surface_;
}

void SurfaceWidget::PaintItself() {
    ++selfPaints_;
    contentPainted_ = true;
    if (!surface_.isNull()) {
        QPainter painter(&surface_);
        PaintContent(painter);
        LetGoOfFontPagesSoon();
    }
    update();
}

void SurfaceWidget::ShowDrawing(const QRect& changed) {
    const QRect visible = changed.intersected(rect());
    if (!visible.isEmpty() && !PutOnScreen(visible)) update(visible);
}

namespace {

// Whether a pixel of the surface (opaque, 0xffRRGGBB) reads the same in
// `format`: in its own, and in the alpha formats a window's backing store
// has on a screen with an alpha channel.
bool SamePixels(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

// Copies `part` (in pixels) of `surface` to `target` at `to`, when both hold
// pixels the same way; false when they do not.
bool CopyPixels(const QImage& surface, const QRect& part, QImage& target, const QPoint& to) {
    const qreal ratio = surface.devicePixelRatio();
    if (surface.format() != QImage::Format_RGB32 || !SamePixels(target.format()) ||
        target.devicePixelRatio() != ratio) {
        return false;
    }
    const QRect from(part.topLeft() * ratio, part.size() * ratio);
    const QRect into(to * ratio, from.size());
    if (!surface.rect().contains(from) || !target.rect().contains(into)) return false;
    const auto rowBytes = static_cast<std::size_t>(from.width()) * 4;
    for (int row = 0; row < from.height(); ++row) {
        std::memcpy(target.scanLine(into.top() + row) + std::size_t(into.left()) * 4,
                    surface.constScanLine(from.top() + row) + std::size_t(from.left()) * 4,
                    rowBytes);
    }
    return true;
}

}  // namespace

// The refresh draws a gauge once a second: a widget update would go through
// Qt's repaint of the window (an event, the paint event, a painter on the
// backing store) to copy the same pixels.
bool SurfaceWidget::PutOnScreen(const QRect& part) {
    QWidget* top = window();
    QWindow* native = top->windowHandle();
    QBackingStore* store = backingStore();
    if (surface_.isNull() || !isVisible() || native == nullptr || !native->isExposed() ||
        store == nullptr || visibleRegion().intersected(part) != QRegion(part)) {
        return false;
    }
    const QRect inWindow(mapTo(top, part.topLeft()), part.size());
    store->beginPaint(QRegion(inWindow));
    QPaintDevice* device = store->paintDevice();
    const bool copied =
        device->devType() == QInternal::Image &&
        CopyPixels(surface_, part, *static_cast<QImage*>(device), inWindow.topLeft());
    if (!copied) {
        QPainter painter(device);
        const qreal ratio = surface_.devicePixelRatio();
        painter.drawImage(QRectF(inWindow), surface_,
                          QRectF(QPointF(part.topLeft()) * ratio, QSizeF(part.size()) * ratio));
    }
    store->endPaint();
    // On X11 the part goes to the window itself; the backing store holds the
    // same pixels for when Qt sends from it.
    const qreal ratio = surface_.devicePixelRatio();
    const QRect devicePart(part.topLeft() * ratio, part.size() * ratio);
    if (!PutImageOnX11Window(native->winId(), surface_, devicePart, inWindow.topLeft() * ratio))
        store->flush(QRegion(inWindow), native);
    return true;
}

bool SurfaceWidget::Shows(const std::string& script) const {
    return !playedScript_.empty() && playedAfter_ == selfPaints_ && playedScript_ == script;
}

bool SurfaceWidget::ShowsPlayed() const {
    return !playedScript_.empty() && playedAfter_ == selfPaints_;
}

void SurfaceWidget::Played(std::string& script) {
    playedScript_.swap(script);
    playedAfter_ = selfPaints_;
}

void SurfaceWidget::ForgetPlayed() { playedScript_.clear(); }

QColor SurfaceWidget::BackgroundColour() const { return palette().color(QPalette::Window); }

void SurfaceWidget::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Hidden by the program (not by the window system, as when the window
    // is minimised): it paints itself anew when shown, so the picture
    // need not be kept meanwhile.
    if (event->spontaneous()) return;
    LetGoOfTheSurface();
    ForgetKeptText();
}

void SurfaceWidget::paintEvent(QPaintEvent* event) {
    KeepToTheScreensScale();
    QPainter painter(this);
    if (surface_.isNull()) {
        PaintPicture(painter);
        // The glyphs just drawn are kept by Qt; the font file's pages read
        // for them need not stay (base/font_pages.h).
        if (contentPainted_) LetGoOfFontPagesSoon();
        return;
    }
    // Only the parts that need it: copying the whole surface for a changed
    // gauge would make Qt hand large copies to worker threads.
    const qreal ratio = surface_.devicePixelRatio();
    for (const QRect& part : event->region()) {
        const QRectF source(QPointF(part.topLeft()) * ratio, QSizeF(part.size()) * ratio);
        painter.drawImage(QRectF(part), surface_, source);
    }
}

void DialogClient::PaintContent(QPainter& painter) { painter.fillRect(rect(), BackgroundColour()); }

}  // namespace platform::qt
