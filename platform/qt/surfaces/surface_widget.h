// A widget that shows a retained picture of itself.
//
// The picture (the surface) is what is on screen. The widget paints its own
// content into it only when asked to (PaintItself); device contexts draw into
// it at any time, outside paint handling. A paint event just copies the
// surface, so whatever was drawn stays until the widget next paints itself.
//
// Most widgets are never drawn on through a device context (the labels, the
// dialog's background): until one is, its picture is what it paints of
// itself, painted straight onto the screen, and it keeps no surface, which
// would cost its area in memory four bytes a pixel.
//
// The surface has the screen's scale (device pixels to a pixel). When the
// scale changes, the widget paints itself anew at the new one, as when it
// is covered and uncovered: what a device context drew is gone until it
// draws again. Hidden by the program, a widget keeps no surface, and the
// texts kept for drawing lines are let go (base/text_format.h).
#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <string>

class QPainter;

namespace platform::qt {

class SurfaceWidget : public QWidget {
public:
    SurfaceWidget(QWidget* parent, const QRect& geometry);

    // The surface, made on first use from the picture shown so far.
    QImage& Surface();
    // Whether the widget has pixels to draw on (a widget of no size has none).
    bool HasPixels() const;

    // Repaints the own content into the surface and schedules the widget's
    // update; what a device context drew there is gone afterwards.
    void PaintItself();

    // Puts on screen the part of the widget that a device context changed:
    // straight into the window's backing store and sent to the display when
    // the window is on screen and nothing covers that part, else through an
    // update of the widget.
    void ShowDrawing(const QRect& changed);

    QColor BackgroundColour() const;

    // Whether the surface shows what the device context steps recorded in
    // `script` drew, played there since the widget last painted itself.
    bool Shows(const std::string& script) const;
    // Whether the surface shows the script played last, unchanged since.
    bool ShowsPlayed() const;
    // Notes the script just played, taking it; `script` is left with the
    // storage of the one before, for the next context to record into.
    void Played(std::string& script);
    // Notes drawing that no script stands for.
    void ForgetPlayed();

protected:
    virtual void PaintContent(QPainter& painter) = 0;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void PaintPicture(QPainter& painter);
    bool PutOnScreen(const QRect& part);
    // Lets go of a surface made at another scale than the screen's now.
    void KeepToTheScreensScale();
    void LetGoOfTheSurface();

    QImage surface_;               // null until a device context needs it
    bool contentPainted_ = false;  // PaintItself has run: the picture shows the content
    std::uint64_t selfPaints_ = 0;
    std::string playedScript_;
    std::uint64_t playedAfter_ = 0;  // selfPaints_ when it was played
};

// The client area of a dialog: its background, behind the controls.
class DialogClient : public SurfaceWidget {
public:
    using SurfaceWidget::SurfaceWidget;

protected:
    void PaintContent(QPainter& painter) override;
};

}  // namespace platform::qt
