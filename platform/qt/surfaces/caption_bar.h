// The caption the dialog manager draws for its frameless dialogs: the title
// on the left, the OK button (with the caption-OK extended style) and the
// close button (with the system menu) on the right. Dragging the title moves
// the window. The buttons answer on release inside them, as platform
// buttons do, by posting WM_COMMAND 1 or WM_CLOSE to the dialog.
#pragma once

#include <QPoint>
#include <QWidget>

#include "platform/types.h"

namespace platform::qt {

class CaptionBar : public QWidget {
public:
    CaptionBar(QWidget* frame, WindowHandle dialog, bool withOk, bool withClose,
               const QFont& dialogFont);

    static int HeightFor(const QFont& dialogFont);

    // Empty for a button the caption does not have.
    QRect OkButtonRect() const;
    QRect CloseButtonRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Part { None, Title, Ok, Close };

    Part PartAt(const QPoint& position) const;
    QRect RectOf(Part part) const;
    void PaintButton(QPainter& painter, Part part);
    void Activate(Part part);

    WindowHandle dialog_;
    bool withOk_;
    bool withClose_;
    Part pressed_ = Part::None;
    bool pressedInside_ = false;
    bool dragging_ = false;
    QPoint dragOffset_;
};

}  // namespace platform::qt
