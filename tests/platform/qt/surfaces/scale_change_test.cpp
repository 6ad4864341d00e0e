// A dialog moved to a screen of another scale: what the layer kept for the
// old scale goes, and a gauge drawn afterwards is exactly what it is on a
// dialog that was on that screen from the start. The program runs on two
// screens, the second with two device pixels to a pixel (two_screens.json).
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>

#include "platform/drawing.h"
#include "platform/qt/base/text_format.h"
#include "platform/qt/surfaces/surface_widget.h"
#include "platform/qt/windows/window_object.h"
#include "tests/platform/qt/support/qt_test_support.h"

namespace {

using namespace platform;

constexpr std::int32_t GAUGE_ID = 1028;

QWidget* FrameOf(WindowHandle dialog) {
    return qt::SurfaceOf(qt::LiveLocalWindow(dialog))->window();
}

// The gauge's pixels as the screen has them: device pixels.
QImage DevicePixels(WindowHandle gauge) {
    return qt::SurfaceOf(qt::LiveLocalWindow(gauge))
        ->grab()
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

void DrawGauge(WindowHandle gauge, const std::u16string& text) {
    Rect client{};
    GetClientRect(gauge, &client);
    DeviceContext context = GetDeviceContext(gauge);
    ASSERT_NE(context, nullptr);
    SetBackgroundColour(context, 0x2376F8);
    TextOut(context, 0, 0, TEXT_OUT_OPAQUE, &client, nullptr, 0, nullptr);
    SetTextColour(context, GetSystemColour(0x40000012));
    SetBackgroundMode(context, BACKGROUND_TRANSPARENT);
    DrawText(context, text.c_str(), -1, &client, 0x826);
    ReleaseDeviceContext(gauge, context);
}

WindowHandle DialogOf(WindowHandle control) { return qt::LiveLocalWindow(control)->dialog; }

void MoveTo(WindowHandle dialog, QScreen* screen) {
    QWidget* frame = FrameOf(dialog);
    frame->setScreen(screen);
    frame->move(screen->geometry().topLeft() + QPoint(40, 40));
    qt_test::ProcessPendingEvents();
}

// A dialog with one gauge, shown on `screen`, the gauge drawn with `text`;
// the gauge's window.
WindowHandle GaugeShownOn(QScreen* screen, const std::u16string& text) {
    qt_test::DialogSpec layout;
    layout.face = u"IPAGothic";
    layout.items = {qt_test::Static(86, 8, 42, 8, GAUGE_ID, u"", 0x50020000, 0x1000)};
    const WindowHandle dialog = qt_test::CreateDialog(layout);
    if (dialog == nullptr) return nullptr;
    MoveTo(dialog, screen);
    ShowWindow(dialog, SHOW_SHOW);
    const WindowHandle gauge = GetDialogItem(dialog, GAUGE_ID);
    DrawGauge(gauge, text);
    return gauge;
}

TEST(ScaleChange, AGaugeIsDrawnAtTheNewScale) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2);
    const std::u16string count = u"  8,241,741,824";

    // From the start on the scaled screen.
    const WindowHandle referenceGauge = GaugeShownOn(screens.at(1), count);
    ASSERT_NE(referenceGauge, nullptr);
    const QImage expected = DevicePixels(referenceGauge);
    ASSERT_EQ(expected.size(), QSize(168, 34)) << "two device pixels to a pixel";
    DestroyWindow(DialogOf(referenceGauge));

    // Drawn on the plain screen, then moved.
    const WindowHandle gauge = GaugeShownOn(screens.at(0), count);
    ASSERT_NE(gauge, nullptr);
    const WindowHandle dialog = DialogOf(gauge);
    EXPECT_EQ(DevicePixels(gauge).size(), QSize(84, 17));
    EXPECT_GT(qt::KeptTextNow().glyphFonts, 0u);

    MoveTo(dialog, screens.at(1));
    const QImage moved = DevicePixels(gauge);
    EXPECT_EQ(moved.size(), QSize(168, 34));
    EXPECT_EQ(moved.pixel(160, 17),
              qt::SurfaceOf(qt::LiveLocalWindow(gauge))->BackgroundColour().rgb())
        << "until it is drawn again, the gauge shows its own background, sharp";
    EXPECT_EQ(qt::KeptTextNow().glyphFonts, 0u) << "what was kept for the old scale is gone";
    DrawGauge(gauge, count);
    EXPECT_EQ(DevicePixels(gauge), expected);
    DestroyWindow(dialog);
}

}  // namespace
