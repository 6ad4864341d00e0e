// A widget that shows a retained picture of itself.
//
// The picture (the surface) is what is on screen. The widget paints its own
// content into it only when asked to (PaintItself); device contexts draw into
// it at any time, outside paint handling. A paint event just copies the
// surface, so whatever was drawn stays until the widget next paints itself.
#pragma once

#include <QImage>
#include <QWidget>

class QPainter;

namespace platform::qt {

class SurfaceWidget : public QWidget {
public:
    SurfaceWidget(QWidget* parent, const QRect& geometry);

    QImage& Surface() { return surface_; }
    const QImage& Surface() const { return surface_; }

    // Repaints the own content into the surface and schedules the widget's
    // update; what a device context drew there is gone afterwards.
    void PaintItself();

    // Schedules the part of the widget that a device context changed.
    void ShowDrawing(const QRect& changed);

    QColor BackgroundColour() const;

protected:
    virtual void PaintContent(QPainter& painter) = 0;
    void paintEvent(QPaintEvent* event) override;

private:
    QImage surface_;
};

// The client area of a dialog: its background, behind the controls.
class DialogClient : public SurfaceWidget {
public:
    using SurfaceWidget::SurfaceWidget;

protected:
    void PaintContent(QPainter& painter) override;
};

}  // namespace platform::qt
