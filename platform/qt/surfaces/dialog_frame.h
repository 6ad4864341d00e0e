// The top-level window of a dialog: an optional one-pixel border, the
// caption the dialog manager draws, and the client area that holds the
// controls. The window system's own frame is not used, so the caption can
// carry the OK button.
//
// Keys pressed in the dialog and the window system's close requests become
// messages in the queue; nothing reaches the dialog procedure from here
// directly.
#pragma once

#include <QWidget>

#include <cstdint>

#include "platform/types.h"

namespace platform::qt {

class CaptionBar;
class DialogClient;

struct FrameShape {
    int border = 0;  // pixels on every side
    bool caption = false;
    bool okButton = false;
    bool closeButton = false;
};

// The frame a dialog of these styles gets.
FrameShape FrameShapeOf(std::uint32_t style, std::uint32_t exStyle);

class DialogFrame : public QWidget {
public:
    DialogFrame(WindowHandle dialog, const QFont& font, const FrameShape& shape,
                const QSize& clientSize);

    DialogClient* Client() const { return client_; }
    CaptionBar* Caption() const { return caption_; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    WindowHandle dialog_;
    int border_;
    CaptionBar* caption_ = nullptr;
    DialogClient* client_ = nullptr;
};

}  // namespace platform::qt
